// SPDX-License-Identifier: GPL-3.0-or-later
// The window is designed in twips. At 96 dots per inch 15 twips make one pixel; Qt's
// own high-DPI scaling takes care of larger screens.
#pragma once

#include <QPoint>
#include <QRect>

constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) { return twips / kTwipsPerPixel; }

constexpr QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

constexpr QPoint TwipsPoint(int left, int top) {
  return QPoint(TwipsToPixels(left), TwipsToPixels(top));
}
