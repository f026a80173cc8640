// A fresh temporary folder made the current folder for the length of a test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velt::testing {

class InTempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "veltcfgXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        std::filesystem::current_path(folder_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }

    static std::string readFile(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    // Names of the files in the current folder.
    static std::vector<std::string> listing() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator("."))
            names.push_back(e.path().filename().string());
        return names;
    }

    std::filesystem::path folder_;

  private:
    std::filesystem::path previous_;
};

}  // namespace velt::testing
