// The station semaphore: while a sign-in is being set up, the signed-in station holds the lock of
// the one row of the semaphore table, NET in the data folder or the shared-installation marker
// file when it exists. Without a sign-in user SLOCK and SUNLOCK do nothing.
#pragma once

#include <string>

namespace velt {

// The sign-in user name the semaphore works for (empty: nobody signed in).
void setSemaphoreUser(const std::string& user);
const std::string& semaphoreUser();

// The semaphore table's file: the marker file when it exists, else NET in the data folder.
std::string semaphoreFile();

// Creates NET (field LOCK C 1, one blank row) when neither it nor the marker file exists.
// Answers false when that fails; the caller ends the program.
bool SCREATE();

// With a sign-in user: opens the semaphore table shared and locks its row, waiting as DBLOCK
// does. Without one: nothing.
void SLOCK();

// With a sign-in user: closes the semaphore table, releasing the lock. Without one: nothing.
void SUNLOCK();

}  // namespace velt
