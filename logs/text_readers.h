#pragma once

#include "logs/log_reader.h"
#include "logs/text_source.h"

// The readers of each format on a text already recognised; `text` starts after a byte-order mark.
LogHeader ReadCabrilloText(TextSource& text, LogVisitor& visitor, const ReadOptions& options);
LogHeader ReadAdifText(TextSource& text, LogVisitor& visitor, const ReadOptions& options);
LogHeader ReadAdxText(TextSource& text, LogVisitor& visitor, const ReadOptions& options);

// Whether a value holds a control byte (a line break, NUL, ...): such a value could add lines to
// the line-based files made from it.
bool HasControlBytes(std::string_view text, bool tabAllowed = false);
