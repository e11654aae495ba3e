#include "Searchx.h"

TSearchFrm *SearchFrm = nullptr;

TSearchFrm::TSearchFrm(QWidget *owner) : QWidget(owner, Qt::Tool)
{
    setObjectName(QStringLiteral("SearchFrm"));
    setWindowTitle(QStringLiteral("Search"));
}
