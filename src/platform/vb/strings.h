#pragma once
// VB string functions on byte strings (the program's text files are single-byte Windows-1252);
// positions are 1-based like VB's.
#include <string>
#include <vector>

namespace vb {

// InStr([start,] haystack, needle): 1-based position, 0 when absent; an empty needle is found at
// start. Case-sensitive (callers upper-case first where they mean otherwise).
int InStr(const std::string& haystack, const std::string& needle);
int InStr(int start, const std::string& haystack, const std::string& needle);
int InStrRev(const std::string& haystack, const std::string& needle);
// Mid(text, start[, length]): start is 1-based; a start beyond the text gives "";
// start < 1 raises error 5.
std::string Mid(const std::string& text, int start);
std::string Mid(const std::string& text, int start, int length);
std::string Left(const std::string& text, int length);
std::string Right(const std::string& text, int length);
int Len(const std::string& text);
// Split: an empty text gives no elements (UBound -1); consecutive separators give empty
// elements and a trailing separator a trailing empty element.
std::vector<std::string> Split(const std::string& text, const std::string& separator = " ");
std::string Join(const std::vector<std::string>& parts, const std::string& separator = " ");
// Trim, LTrim, RTrim remove blanks (spaces) only, not tabs.
std::string Trim(const std::string& text);
std::string LTrim(const std::string& text);
std::string RTrim(const std::string& text);
std::string UCase(const std::string& text);  // ASCII letters only
std::string LCase(const std::string& text);
// Replace every occurrence (left to right, not overlapping); an empty find returns the text.
std::string Replace(const std::string& text, const std::string& find, const std::string& with);
std::string Space(int count);
std::string String(int count, char c);
int UBound(const std::vector<std::string>& parts);  // size - 1

}  // namespace vb
