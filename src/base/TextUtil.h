#pragma once
// Small text helpers shared by the forms.
#include <QString>

// The text without leading and trailing blanks. Only the space counts as a
// blank: tabs, line breaks and other white space stay.
QString trimBlanks(const QString& text);
