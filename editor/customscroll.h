#pragma once

#include <QScrollArea>

// The scroll area around a sheet. Up and Down are left to the sheet (they move the selected
// blocks), so the area neither scrolls on them nor accepts them.
class CustomScroll : public QScrollArea
{
    Q_OBJECT

public:
    explicit CustomScroll(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
