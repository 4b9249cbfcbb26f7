#include "textui/progress_indicator.h"

#include <algorithm>

ProgressIndicator::ProgressIndicator(Dialog& d, int ax, int ay, int w, float& f)
    : DialogElement(d, ax, ay, false), width(w), fraction(f)
{
}

void ProgressIndicator::Draw()
{
    float f = fraction > 0 ? std::min(fraction, 1.0f) : 0.0f;  // NaN too
    int full = std::min(width, static_cast<int>(static_cast<float>(width) * f));
    Westring bar = String(L'\u2588', full) + String(L'\u2591', width - full);
    dialog->puts_at(x, y, bar.c_str(), dialog->Colour(ColourNormal));
}
