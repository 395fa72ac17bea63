// How a control follows the size of its panel: anchored to the left, top,
// right and bottom edges of the panel's client area.
//
// A control keeps its distance to every edge it is anchored to. Anchored to
// the left and the right it stretches with the panel; to the right only it
// moves with the right edge; to neither (or the left only) it stays where it
// is. The same holds vertically for the top and bottom edges. The distances
// are taken whenever the program places the control or changes its anchors,
// from the panel's client size at that moment.
#ifndef UIRT_ANCHORS_H
#define UIRT_ANCHORS_H

#include "uirt.h"

namespace uirt {

struct Box {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Box&) const = default;
};

inline constexpr int kAllAnchors = VAL_ANCHOR_LEFT | VAL_ANCHOR_TOP | VAL_ANCHOR_RIGHT | VAL_ANCHOR_BOTTOM;

struct Anchoring {
    int anchor = VAL_ANCHOR_LEFT | VAL_ANCHOR_TOP;
    int rightGap = 0;   // panel width - (left + width) when placed
    int bottomGap = 0;  // panel height - (top + height) when placed

    // Takes the distances of box to the edges of a panel of the given client size.
    void place(const Box& box, int panelWidth, int panelHeight);
    // Where box goes in a panel whose client area is now panelWidth x panelHeight.
    Box follow(const Box& box, int panelWidth, int panelHeight) const;
};

}  // namespace uirt

#endif  // UIRT_ANCHORS_H
