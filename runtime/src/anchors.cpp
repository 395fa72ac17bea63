// Controls that follow their panel's size (see anchors.h).
#include "anchors.h"

#include <algorithm>

namespace uirt {

void Anchoring::place(const Box& box, int panelWidth, int panelHeight) {
    rightGap = panelWidth - (box.left + box.width);
    bottomGap = panelHeight - (box.top + box.height);
}

namespace {

// One direction: position and extent given the near and far anchors.
void follow1(bool nearEdge, bool farEdge, int gap, int panelSize, int& position, int& extent) {
    if (!farEdge) return;
    if (nearEdge) extent = std::max(panelSize - position - gap, 0);
    else position = panelSize - gap - extent;
}

}  // namespace

Box Anchoring::follow(const Box& box, int panelWidth, int panelHeight) const {
    Box b = box;
    follow1(anchor & VAL_ANCHOR_LEFT, anchor & VAL_ANCHOR_RIGHT, rightGap, panelWidth, b.left, b.width);
    follow1(anchor & VAL_ANCHOR_TOP, anchor & VAL_ANCHOR_BOTTOM, bottomGap, panelHeight, b.top, b.height);
    return b;
}

}  // namespace uirt
