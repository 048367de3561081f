// Twips: the unit the windows are designed in (1/1440 inch). The windows
// are laid out for 96 dots per inch, where 15 twips make one pixel.
#ifndef VOR_APP_UI_TWIPS_H_
#define VOR_APP_UI_TWIPS_H_

namespace vor {

inline constexpr int kTwipsPerPixel = 15;

// The pixel count nearest to `twips` (halves away from zero).
constexpr int TwipsToPixels(int twips) {
  return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                    : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

}  // namespace vor

#endif  // VOR_APP_UI_TWIPS_H_
