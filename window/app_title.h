// SPDX-License-Identifier: GPL-3.0-or-later
// The product title and the application title derived from it: the name message
// dialogs without a caption of their own show.
#pragma once

#include <QString>

inline constexpr const char* kProductTitle = "Corvandel Pitch Suite";
inline constexpr int kMaxAppTitleLength = 40;

// Drops the last word (from the last space on) at least once, and further words until
// at most 40 characters remain. A title without a space raises "Invalid procedure call
// or argument".
QString ShortenedAppTitle(const QString& productTitle);

// Makes ShortenedAppTitle(productTitle) the application title; on failure the title
// keeps its value.
void SetAppTitle(const QString& productTitle);

// The current application title.
QString AppTitle();
