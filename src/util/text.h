// Small text helpers shared by the whole program (Windows-1252 bytes throughout).
#pragma once

#include <string>
#include <string_view>

namespace velt {

// The six DOS accented letters (0x85 0x8A 0x82 0x8D 0x95 0x97) to their Windows forms.
std::string O2A(const std::string& text);

// 1-based position of the first `needle` in `haystack` at or after `start` (1 = the first
// character); 0 when there is none or `start` lies past the end. An empty needle gives 1.
int AT(std::string_view needle, std::string_view haystack, int start = 1);

// How many times `needle` occurs in `haystack`, overlapping occurrences included ("aa" twice in
// "aaa"). An empty needle occurs 0 times.
int OCCURS(std::string_view needle, std::string_view haystack);

// A valid time of day written "hh:mm" or "hh:mm:ss" (hours 00-23, minutes and seconds 00-59).
bool ISTIME(std::string_view text);

// The text of a combo box's edit field and its caret (0-based position).
struct EditText {
    std::string text;
    int caret = 0;
    friend bool operator==(const EditText&, const EditText&) = default;
};

// What a combo box with a picture does to its edit text after each change: "@!" upper-cases it,
// "9" removes the first character that is not a digit (one per change) and moves the caret one
// to the left; any other picture leaves the text. The caret comes back as an empty selection.
EditText CBPICTURE(const EditText& edit, std::string_view picture);

}  // namespace velt
