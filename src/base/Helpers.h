#pragma once
// Small helpers shared by every part of the program: a wait that keeps the
// events running, and text helpers.
#include <QString>

// Waits the given time while every pending event (serial input, sockets,
// timers, menu clicks) runs. Timed on a monotonic clock, so a wait over
// midnight or a clock change lasts as long as asked. Never spins.
void WaitMilliseconds(double ms);

enum class CompareMode { Binary, Text };

// Replaces find by replacement, searching from start (1-based; the text
// before it is kept), at most count times (-1 = all), comparing exactly
// (Binary) or without case (Text). The search goes on after each inserted
// replacement, so a replacement holding find does not loop.
QString ReplaceText(const QString& text, const QString& find, const QString& replacement,
                    int start = 1, int count = -1, CompareMode compare = CompareMode::Binary);

// Token number index (0-based) of text cut at each occurrence of the
// delimiter; "" when there is no such token. Consecutive delimiters give
// empty tokens.
QString GetToken(const QString& delimiter, const QString& text, int index);

// The text with "0" in front up to width characters; a longer text is
// returned unchanged.
QString PadZeros(const QString& text, int width);

