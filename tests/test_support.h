#pragma once
// Shared helpers: a fresh headless 640 x 480 screen per test, pixel reads, BMP files.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// Opens a fresh headless screen (work = visible = page 0) and resets the toolkit state and
// the widget table.
class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::uint8_t at(int x, int y) const;  // work page
  // Counts the pixels of colour c in the box x1..x2, y1..y2 (inclusive) of the work page.
  int count(int x1, int y1, int x2, int y2, int c) const;
};

// A temporary folder, removed with the object; made current while it lives if asked.
class TempDir {
 public:
  explicit TempDir(bool enter = false);
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

void write_file(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> read_file(const std::filesystem::path& p);

}  // namespace testing_support
