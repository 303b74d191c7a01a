#include "favourites/ui/FavouritesView.h"

#include "widgets/FindBar.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

namespace vorbel {

FavouritesView::FavouritesView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pan02"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    DBGridEh2 = new QTableView(this);
    DBGridEh2->setObjectName(QStringLiteral("DBGridEh2"));
    DBGridEh2->verticalHeader()->hide();
    DBGridEh2->setMouseTracking(true);
    layout->addWidget(DBGridEh2);
    layout->addWidget(findBar = new FindBar(this));
}

} // namespace vorbel
