// Reading the known-answer files in tests/data: one vector a line, fields
// separated by blanks, "#" starting a comment line, "-" standing for empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using vector_line = std::vector<std::string>;

// Every non-comment line of tests/data/<name>, split into fields.
std::vector<vector_line> read_vectors(const std::string& name);
std::vector<vector_line> read_vector_file(const std::string& path);

// "-" gives the empty result.
std::string field_text(const std::string& field);
std::string hex_bytes(const std::string& field);
std::vector<std::uint32_t> hex_words(const std::string& field);
