// The main window's unsaved-changes flag. Every assignment also sets the
// window's modified mark, so the "[*]" of the title follows the document
// wherever the flag is changed.
#pragma once

#include <QWidget>

namespace vellora {

class TModifiedFlag {
public:
    explicit TModifiedFlag(QWidget *window) : FWindow(window) {}
    TModifiedFlag(const TModifiedFlag &) = delete;
    TModifiedFlag &operator=(const TModifiedFlag &) = delete;

    TModifiedFlag &operator=(bool value)
    {
        FValue = value;
        FWindow->setWindowModified(value);
        return *this;
    }
    operator bool() const noexcept { return FValue; }

private:
    QWidget *FWindow;
    bool FValue = false;
};

} // namespace vellora
