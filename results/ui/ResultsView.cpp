#include "results/ui/ResultsView.h"

#include "resources/Pictures.h"
#include "widgets/FindBar.h"
#include "widgets/Look.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vorbel {

namespace {

QFrame* raisedBar(QWidget* parent, const char* name, int height)
{
    auto* bar = new QFrame(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setFixedHeight(height);
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, look::BarBackground);
    bar->setPalette(palette);
    bar->setMouseTracking(true);
    return bar;
}

constexpr std::array<const char*, 8> ShopBoxCaptions{"全部",   "淘宝网", "天猫商城", "京东商城",
                                                     "亚马逊", "当当网", "苏宁易购", "1号店"};
constexpr std::array<int, 8> ShopBoxLefts{20, 88, 173, 273, 373, 463, 553, 658};

} // namespace

ResultsView::ResultsView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pan01"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnl1 = makeSearchBar());
    layout->addWidget(makeGridPanel(), 1);
    layout->addWidget(pnl3 = makeFilterBar());
    connect(Edt_word, &QLineEdit::returnPressed, suiButton1, &QPushButton::click);
    setTabOrder(Edt_word, suiButton1);
    setTabOrder(suiButton1, DBGridEh1);
}

QFrame* ResultsView::makeSearchBar()
{
    QFrame* bar = raisedBar(this, "pnl1", 70);
    auto* label = new QLabel(QStringLiteral("商品名称或型号："), bar);
    label->setObjectName(QStringLiteral("lbl1"));
    label->setFont(look::songTi(15));
    label->move(24, 24);
    label->adjustSize();

    Edt_word = new QLineEdit(bar);
    Edt_word->setObjectName(QStringLiteral("Edt_word"));
    Edt_word->setGeometry(144, 20, 617, 22);
    Edt_word->setFont(look::songTi(15));

    suiButton1 = new QPushButton(QStringLiteral(" 智能比价搜索"), bar);
    suiButton1->setObjectName(QStringLiteral("suiButton1"));
    suiButton1->setGeometry(792, 11, 169, 40);
    suiButton1->setFont(look::songTi(15));
    suiButton1->setIcon(programIcon(QStringLiteral(":/images/search-button.png")));
    suiButton1->setCursor(Qt::PointingHandCursor);
    return bar;
}

QFrame* ResultsView::makeFilterBar()
{
    QFrame* bar = raisedBar(this, "pnl3", 55);
    for (std::size_t i = 0; i < shopBoxes.size(); ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(ShopBoxCaptions[i]), bar);
        box->setObjectName(QStringLiteral("suiCheckBox") + QString::number(i + 1));
        box->setFont(look::songTi(15));
        box->setChecked(true);
        box->move(ShopBoxLefts[i], 16);
        box->adjustSize();
        shopBoxes[i] = box;
    }
    return bar;
}

QWidget* ResultsView::makeGridPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnl2"));
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel->setPalette(palette);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    DBGridEh1 = new PaintPassesTableView(panel);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->verticalHeader()->hide();
    DBGridEh1->setMouseTracking(true);
    layout->addWidget(DBGridEh1);
    layout->addWidget(findBar = new FindBar(panel));
    return panel;
}

} // namespace vorbel
