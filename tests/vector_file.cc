#include "tests/vector_file.h"

#include <fstream>
#include <sstream>

std::vector<vector_line> read_vectors(const std::string& name) {
  return read_vector_file(std::string(TOVRIN_TEST_DATA) + "/" + name);
}

std::vector<vector_line> read_vector_file(const std::string& path) {
  std::ifstream in(path);
  std::vector<vector_line> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    vector_line parsed;
    for (std::string f; fields >> f;) parsed.push_back(f);
    lines.push_back(parsed);
  }
  return lines;
}

std::string field_text(const std::string& field) {
  return field == "-" ? std::string() : field;
}

std::string hex_bytes(const std::string& field) {
  std::string out;
  if (field == "-") return out;
  for (std::size_t i = 0; i + 1 < field.size(); i += 2)
    out.push_back(static_cast<char>(std::stoul(field.substr(i, 2), nullptr, 16)));
  return out;
}

std::vector<std::uint32_t> hex_words(const std::string& field) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i + 8 <= field.size(); i += 8)
    out.push_back(static_cast<std::uint32_t>(std::stoul(field.substr(i, 8), nullptr, 16)));
  return out;
}
