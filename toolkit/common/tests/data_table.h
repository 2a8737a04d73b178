#pragma once
// Tables of expected values kept beside the toolkit's tests: one row a line,
// fields split by tabs, lines starting with '#' skipped.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace mwtest {

struct DataRow {
  std::vector<std::string> fields;
  const std::string& text(size_t i) const { return fields.at(i); }
  int number(size_t i) const { return std::stoi(fields.at(i)); }
};

// The rows of `file` under the toolkit folder ("formats/tests/data/..."); a
// missing file or a row of another width fails the test.
inline std::vector<DataRow> ReadDataTable(const std::string& file, size_t width) {
  const std::string path = std::string(VORNIX_SOURCE_DIR) + "/toolkit/" + file;
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::vector<DataRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    DataRow row;
    size_t from = 0;
    for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1) {
      row.fields.push_back(line.substr(from, tab - from));
    }
    row.fields.push_back(line.substr(from));
    EXPECT_EQ(row.fields.size(), width) << path << ": " << line;
    if (row.fields.size() == width) rows.push_back(row);
  }
  return rows;
}

}  // namespace mwtest
