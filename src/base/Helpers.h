#pragma once
// Small text helpers shared by every part of the program.
#include <QString>

// Token number index (0-based) of text cut at each occurrence of the
// delimiter; "" when there is no such token. Consecutive delimiters give
// empty tokens.
QString GetToken(const QString& delimiter, const QString& text, int index);
