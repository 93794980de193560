#include "window_layout.h"

#include <QWidget>

#include <cstring>

namespace {

struct Place {
    const char *name;
    int left, top, width, height; // width and height 0: sized to the text
};

const Place Layout[] = {
    {"window", 0, 0, 10920, 7950},
    {"browserView", 0, 120, 10815, 6855},
    {"startPanel", 0, 0, 10815, 6975},
    {"usageSteps", 2040, 480, 7095, 375},        // in the start panel
    {"tutorialNote", 3360, 1080, 3975, 495},     // in the start panel
    {"addressPanel", 1560, 2160, 8055, 3375},
    {"loginAddressLabel", 120, 480, 0, 0},       // in the address panel, as far as the autostart box
    {"loginAddressField", 1440, 480, 6375, 270},
    {"collectionAddressLabel", 120, 960, 0, 0},
    {"collectionAddressField", 1440, 960, 6375, 270},
    {"generationAddressLabel", 120, 1440, 0, 0},
    {"generationAddressField", 1440, 1440, 6375, 270},
    {"homePageAddressLabel", 120, 1920, 0, 0},
    {"homePageAddressField", 1440, 1920, 6375, 270},
    {"saveButton", 3240, 2280, 1335, 495},
    {"autostartBox", 4800, 2370, 3135, 300},
    {"rememberedLoginLabel", 120, 2940, 0, 0},
    {"forgetLoginButton", 6360, 2850, 1455, 375},
    {"loginButton", 240, 7200, 1815, 615},
    {"startButton", 2520, 7200, 2055, 615},
    {"statusLine", 4680, 7080, 4335, 255},
    {"cycleLengthLabel", 5640, 7560, 0, 0},
    {"cycleLengthBox", 6960, 7440, 615, 300},
    {"addressSettingsButton", 9360, 7080, 1455, 375},
    {"productPageButton", 9360, 7560, 1455, 375},
    {"notifySettingsButton", 4665, 7440, 945, 330}, // in the gap left of the cycle length
    {"siteList", 10860, 120, 3300, 7710},           // a set's sites, right of the browser
};

const Place &placeOf(const char *name)
{
    for (const Place &place : Layout) {
        if (std::strcmp(place.name, name) == 0)
            return place;
    }
    qFatal("The window's layout has no place named %s", name);
}

int pixels(int twips)
{
    return twips / WindowLayout::TwipsPerPixel;
}

} // namespace

void WindowLayout::placeWidget(QWidget *widget, const char *name)
{
    const Place &place = placeOf(name);
    widget->setObjectName(QLatin1String(name));
    if (place.width == 0) {
        widget->move(pixels(place.left), pixels(place.top));
        widget->adjustSize();
    } else {
        widget->setGeometry(pixels(place.left), pixels(place.top), pixels(place.width), pixels(place.height));
    }
}

void WindowLayout::sizeWindow(QWidget *window)
{
    const Place &place = placeOf("window");
    window->resize(pixels(place.width), pixels(place.height));
}
