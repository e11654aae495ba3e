// The search window. Created hidden at start-up and kept until the program ends; the main
// window shows it without blocking.
#pragma once

#include <QWidget>

class TSearchFrm : public QWidget {
    Q_OBJECT
public:
    explicit TSearchFrm(QWidget *owner = nullptr);
};

extern TSearchFrm *SearchFrm;
