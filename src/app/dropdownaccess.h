// What assistive technology reads of a toolbar button with a drop-down menu.
#pragma once

class QToolButton;

namespace velloran {

// Gives a button that holds a menu an accessible interface offering both "ShowMenu" and
// the button's own "Press" (or "Toggle" when it latches), with the menu as its child.
// Qt's own interface for a split button offers "ShowMenu" alone, which would leave the
// button's command out of reach.
void ExposeDropDown(QToolButton* button);

} // namespace velloran
