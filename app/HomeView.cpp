#include "app/HomeView.h"

#include "resources/Pictures.h"
#include "search/HotKeywords.h"
#include "session/SiteLinks.h"
#include "widgets/ClickLabel.h"
#include "widgets/Look.h"

#include <QLineEdit>
#include <QPushButton>

namespace vorbel {

namespace {

/// The label's text colour through its palette: a style sheet of its own for each of some fifty labels was
/// parsed and matched label by label at every start.
void setTextColour(QLabel& label, const QColor& colour)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

QLabel* captionLabel(QWidget* parent, const char* name, const char* text, QPoint at)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(look::songTi(15));
    setTextColour(*label, QColor(128, 0, 0));
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace

HomeView::HomeView(const std::vector<SiteLink>& logos, QWidget* parent)
    : QFrame(parent), m_panel(new QWidget(this))
{
    setObjectName(QStringLiteral("pan03"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, look::HomeBackground);
    setPalette(palette);

    m_panel->setObjectName(QStringLiteral("suiPanel"));
    m_panel->setGeometry(73, 13, 810, 500);
    m_panel->setAttribute(Qt::WA_TranslucentBackground);
    addLabels();
    addSearchBox();
    addHotKeywords();
    addLogos(logos);
}

void HomeView::addLabels()
{
    captionLabel(m_panel, "Label1", "商品名称或型号：", {24, 30});
    captionLabel(m_panel, "Label2", "热门搜索关键字：", {24, 70});
    captionLabel(m_panel, "Label3", "电子商务联盟：", {24, 365});
}

void HomeView::addSearchBox()
{
    m_keyword = new QLineEdit(m_panel);
    m_keyword->setObjectName(QStringLiteral("edt_key"));
    m_keyword->setGeometry(152, 26, 433, 22);
    m_keyword->setFont(look::songTi(15));

    auto* search = new QPushButton(QStringLiteral(" 智能比价搜索"), m_panel);
    search->setObjectName(QStringLiteral("suiButton4"));
    search->setGeometry(616, 17, 169, 40);
    search->setFont(look::songTi(15));
    search->setIcon(programIcon(QStringLiteral(":/images/search-button.png")));
    search->setCursor(Qt::PointingHandCursor);
    connect(search, &QPushButton::clicked, this, &HomeView::searchClicked);
    connect(m_keyword, &QLineEdit::returnPressed, this, &HomeView::searchClicked);
    setTabOrder(m_keyword, search);
}

void HomeView::addHotKeywords()
{
    QFont font = look::songTi(15);
    font.setUnderline(true);
    for (std::size_t index = 0; index < HotKeywords.size(); ++index) {
        const HotKeyword& keyword = HotKeywords[index];
        const int row = int(index) / 8;
        const int column = int(index) % 8;
        auto* label = new ClickLabel(QString::fromUtf8(keyword.caption), m_panel);
        label->setObjectName(QString::fromLatin1(keyword.name));
        label->setFont(font);
        setTextColour(*label, QColor(0, 0, 255));
        label->setCursor(Qt::PointingHandCursor);
        label->move(25 + 100 * column, 105 + 40 * row);
        label->adjustSize();
        connect(label, &ClickLabel::clicked, this,
                [this, label] { Q_EMIT hotKeywordClicked(label->text()); });
    }
}

void HomeView::addLogos(const std::vector<SiteLink>& logos)
{
    int index = 0;
    for (const SiteLink& link : logos) {
        if (link.picture.isEmpty())
            continue;
        auto* logo = new ClickLabel(m_panel);
        logo->setObjectName(link.control);
        logo->setGeometry(25 + 100 * index, 399, 80, 33);
        logo->setScaledContents(true);
        logo->setPixmap(programPicture(link.picture));
        logo->setToolTip(link.name);
        logo->setCursor(Qt::PointingHandCursor);
        connect(logo, &ClickLabel::clicked, this, [this, index] { Q_EMIT logoClicked(index); });
        ++index;
    }
}

} // namespace vorbel
