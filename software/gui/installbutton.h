#pragma once

#include <QPushButton>

// The button that starts the upgrade; caption, place and enabled state come from the window.
class InstallButton : public QPushButton
{
    Q_OBJECT

public:
    explicit InstallButton(QWidget* parent = nullptr);
};
