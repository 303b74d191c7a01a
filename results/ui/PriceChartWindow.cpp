#include "results/ui/PriceChartWindow.h"

#include "results/ResultCellText.h"
#include "results/ResultGridModel.h"
#include "store/Columns.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QShortcut>
#include <QVBoxLayout>
#include <QValueAxis>

namespace vorbel {

namespace {

constexpr qint64 HourMsecs = 3600 * 1000;

QString dayText(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("yyyy-MM-dd"));
}

/// As the result grid writes a price: "2501" is "￥2501.00".
QString yuanText(const QString& price)
{
    return resultcell::priceText(price).value_or(QString());
}

QScatterSeries* markSeries(const QString& name, const QColor& colour, const pricechart::Point& at)
{
    auto* series = new QScatterSeries;
    series->setName(name);
    series->setColor(colour);
    series->setBorderColor(colour.darker(130));
    series->setMarkerSize(10);
    series->append(double(at.msecs), at.yuan);
    return series;
}

} // namespace

PriceChartWindow::PriceChartWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_chart(new QChart), m_view(new QChartView(m_chart, this)),
      m_name(new QLabel(this)), m_summary(new QLabel(this)), m_hover(new QLabel(this))
{
    setObjectName(QStringLiteral("PriceChartWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 460);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMouseTracking(true);
    m_view->viewport()->installEventFilter(this);
    m_name->setObjectName(QStringLiteral("nameLabel"));
    m_name->setWordWrap(true);
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    m_hover->setObjectName(QStringLiteral("hoverLabel"));
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 4, 4));

    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_name);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_hover);
}

void PriceChartWindow::showOffer(const ChartedOffer& offer, const std::vector<PriceRecord>& history)
{
    m_data = pricechart::chartData(history, offer.collectedPrice);
    setWindowTitle(QStringLiteral("价格走势 - ") + offer.name);
    m_name->setText(offer.name + QStringLiteral("（") + offer.sjlx + QStringLiteral("）"));
    rebuildSeries();
    m_summary->setText(summary());
    m_hover->clear();
    if (!isVisible() && parentWidget()) // opened over the window it belongs to, not in a corner
        move(parentWidget()->window()->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void PriceChartWindow::rebuildSeries()
{
    m_chart->removeAllSeries(); // deletes them
    // A removed axis is the caller's: each offer shown in the window left its two behind.
    for (QAbstractAxis* axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    if (!m_data.current)
        return;

    auto* steps = new QLineSeries;
    steps->setName(QStringLiteral("价格"));
    steps->setPen(QPen(QColor(30, 90, 200), 2));
    QList<QPointF> points;
    points.reserve(qsizetype(m_data.steps.size()));
    for (const pricechart::Point& point : m_data.steps)
        points.append(QPointF(double(point.msecs), point.yuan));
    steps->replace(points); // one change signal for the whole line, not one per point
    m_chart->addSeries(steps);

    const auto [from, to] = timeRange();
    if (m_data.collected) {
        // Across the whole axis: the collected price is a level to compare with, not a sighting.
        auto* collected = new QLineSeries;
        collected->setName(QStringLiteral("收藏价 ") + yuanText(m_data.collectedPrice));
        QPen pen(QColor(230, 120, 0), 1.5, Qt::DashLine);
        collected->setPen(pen);
        collected->append(double(from), *m_data.collected);
        collected->append(double(to), *m_data.collected);
        m_chart->addSeries(collected);
    }
    if (!m_data.unchanged) {
        m_chart->addSeries(markSeries(QStringLiteral("最低 ") + yuanText(m_data.lowest->price),
                                      QColor(0, 150, 0), m_data.lowest->at));
        m_chart->addSeries(markSeries(QStringLiteral("最高 ") + yuanText(m_data.highest->price),
                                      QColor(210, 0, 0), m_data.highest->at));
    }
    m_chart->addSeries(markSeries(QStringLiteral("当前 ") + yuanText(m_data.current->price),
                                  QColor(30, 90, 200), m_data.current->at));
    m_chart->setTitle(m_data.unchanged ? pricechart::unchangedText() : QString());
    setAxes(from, to);
}

std::pair<qint64, qint64> PriceChartWindow::timeRange() const
{
    qint64 from = m_data.firstMsecs;
    qint64 to = m_data.lastMsecs;
    if (to - from < HourMsecs) { // a single sighting still gets a readable stretch of time around it
        from -= HourMsecs;
        to += HourMsecs;
    }
    const qint64 edge = (to - from) / 40; // the marks at either end stay whole
    return {from - edge, to + edge};
}

void PriceChartWindow::setAxes(qint64 from, qint64 to)
{
    auto* time = new QDateTimeAxis;
    time->setFormat(pricechart::axisFormat(to - from));
    time->setTickCount(6);
    time->setRange(QDateTime::fromMSecsSinceEpoch(from), QDateTime::fromMSecsSinceEpoch(to));
    m_chart->addAxis(time, Qt::AlignBottom);

    double low = m_data.lowest->at.yuan;
    double high = m_data.highest->at.yuan;
    if (m_data.collected) {
        low = std::min(low, *m_data.collected);
        high = std::max(high, *m_data.collected);
    }
    const double margin = high > low ? (high - low) * 0.15 : std::max(1.0, high * 0.1);
    auto* price = new QValueAxis;
    price->setRange(std::max(0.0, low - margin), high + margin);
    // The label format is read as Latin-1, so the currency goes in the title.
    price->setLabelFormat(QStringLiteral("%.2f"));
    price->setTitleText(QStringLiteral("元"));
    price->setTickCount(6);
    price->applyNiceNumbers();
    m_chart->addAxis(price, Qt::AlignLeft);
    for (QAbstractSeries* series : m_chart->series()) {
        series->attachAxis(time);
        series->attachAxis(price);
    }
}

QString PriceChartWindow::summary() const
{
    if (!m_data.current)
        return pricechart::unchangedText();
    const QString current = QStringLiteral("当前 ") + yuanText(m_data.current->price);
    if (m_data.unchanged)
        return pricechart::unchangedText() + QStringLiteral("　") + current;
    return QStringLiteral("最低 %1（%2）　最高 %3（%4）　")
               .arg(yuanText(m_data.lowest->price), dayText(m_data.lowest->at.msecs),
                    yuanText(m_data.highest->price), dayText(m_data.highest->at.msecs)) +
           current;
}

void PriceChartWindow::showHoverAt(qint64 msecs)
{
    m_hover->setText(pricechart::hoverText(m_data, msecs));
}

bool PriceChartWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::MouseMove && m_data.current) {
        const QPointF scene = m_view->mapToScene(static_cast<QMouseEvent*>(event)->position().toPoint());
        const QPointF value = m_chart->mapToValue(m_chart->mapFromScene(scene));
        showHoverAt(qint64(value.x()));
    }
    return QWidget::eventFilter(watched, event);
}

QString PriceChartWindow::summaryText() const
{
    return m_summary->text();
}

QString PriceChartWindow::hoverText() const
{
    return m_hover->text();
}

std::optional<ChartedOffer> chartedOffer(const ResultGridModel& model, int row,
                                         std::optional<QString> collectedPrice)
{
    const QString cph = model.text(row, column::cph);
    if (cph.isEmpty())
        return std::nullopt;
    return ChartedOffer{cph, model.text(row, column::sjlx), model.text(row, column::cpmc),
                        std::move(collectedPrice)};
}

PriceChartWindow& showPriceChart(QPointer<PriceChartWindow>& window, QWidget* parent,
                                 const ChartedOffer& offer, const std::vector<PriceRecord>& history)
{
    if (!window)
        window = new PriceChartWindow(parent);
    window->showOffer(offer, history);
    return *window;
}

} // namespace vorbel
