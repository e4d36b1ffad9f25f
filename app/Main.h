#pragma once

#include <QWidget>

// The workbench window.
class Main : public QWidget
{
    Q_OBJECT
public:
    explicit Main(QWidget* parent = nullptr);
};
