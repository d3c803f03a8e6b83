#pragma once

// The question's caption and text as the box shows them. A settings value is
// one line, so a line break travels as LINE SEPARATOR (U+2028), which a
// caller writes today only to mean a line break, and a new paragraph as
// PARAGRAPH SEPARATOR (U+2029): both become CR LF (twice for a paragraph).
// Every other character is kept as it stands.

// `value` with its separators turned into line breaks, into a buffer the
// caller frees with std::free; null when there is no memory for it.
wchar_t* question_text(const wchar_t* value);
