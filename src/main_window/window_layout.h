#pragma once

class QWidget;

// Where every control of the window stands, in twips (15 to the pixel at 96
// dots per inch) from the top-left corner of its container. The layout is
// fixed: nothing moves when the window is resized.
namespace WindowLayout {

constexpr int TwipsPerPixel = 15;

// Gives `widget` the object name `name` and puts it where the layout has
// that name. A control without a size in the layout is sized to its text,
// so its font must be set first.
void placeWidget(QWidget *widget, const char *name);

template <typename W>
W *place(W *widget, const char *name)
{
    placeWidget(widget, name);
    return widget;
}

// The window's own size.
void sizeWindow(QWidget *window);

} // namespace WindowLayout
