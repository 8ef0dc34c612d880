#pragma once
// Strict checks that a text is what a reader of its format accepts, written
// apart from the code that produces the text so that they do not share its
// faults. Each answers yes or no; none repairs.

#include <string_view>

namespace quillon::test {

// Well-formed UTF-8: no overlong forms, surrogates, values past U+10FFFF or
// cut-off sequences.
[[nodiscard]] bool IsValidUtf8(std::string_view text);

// One JSON value (RFC 8259) and nothing else but white space; valid UTF-8 with
// no raw control character inside a string.
[[nodiscard]] bool IsStrictJson(std::string_view text);

// One XML 1.0 element with balanced tags, double-quoted attributes, only the
// five named entities and character references, and only the characters
// XML 1.0 allows. No declarations, comments or CDATA: the overview has none.
[[nodiscard]] bool IsWellFormedXml(std::string_view text);

}  // namespace quillon::test
