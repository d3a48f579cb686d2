#pragma once
// Shared geometry of the main window's tab pages, and where a file name without a folder
// is placed.

#include <QRect>
#include <QSize>
#include <string>

namespace Sumirel::SheetLayout {

// The tab page's size in the window's design size of 572 by 452.
inline constexpr QSize kDesignSize{556, 360};
// The bottom-right button of a page (Write, Save).
inline constexpr QRect kRightButton{427, 324, 113, 27};

// A name that holds a folder separator is used unchanged; any other lies in `folder`.
inline std::string InFolder(const std::string& name, const std::string& folder) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    return folder + "/" + name;
}

}  // namespace Sumirel::SheetLayout
