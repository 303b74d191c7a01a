#pragma once

#include "results/PriceChart.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QChart;
class QChartView;
class QLabel;

namespace vorbel {

/// The offer a price-history window is about.
struct ChartedOffer
{
    QString cph;
    QString sjlx;
    QString name;
    std::optional<QString> collectedPrice; ///< when the offer is a favourite
};

/// The price-history window `PriceChartWindow`: an offer's price over time as a step line, its lowest,
/// highest and current price marked, the collected price of a favourite as a line, and the price at the
/// pointer. One window serves one grid; opening another offer replaces what it shows.
class PriceChartWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PriceChartWindow(QWidget* parent = nullptr);

    /// Shows the offer's rows (oldest first) and brings the window to the front.
    void showOffer(const ChartedOffer& offer, const std::vector<PriceRecord>& history);
    /// What the pointer at that time of the x axis shows; empty outside the history.
    void showHoverAt(qint64 msecs);

    const pricechart::ChartData& data() const { return m_data; }
    QChart& chart() const { return *m_chart; }
    QString summaryText() const;
    QString hoverText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildSeries();
    /// The stretch of time the x axis shows.
    std::pair<qint64, qint64> timeRange() const;
    void setAxes(qint64 from, qint64 to);
    QString summary() const;

    QChart* m_chart;
    QChartView* m_view;
    QLabel* m_name;
    QLabel* m_summary;
    QLabel* m_hover;
    pricechart::ChartData m_data;
};

class ResultGridModel;

/// The offer of a grid's row; none when the row has no product id.
std::optional<ChartedOffer> chartedOffer(const ResultGridModel& model, int row,
                                         std::optional<QString> collectedPrice);

/// Shows the offer in the grid's window, making the window on first use; window is the grid's pointer.
PriceChartWindow& showPriceChart(QPointer<PriceChartWindow>& window, QWidget* parent,
                                 const ChartedOffer& offer, const std::vector<PriceRecord>& history);

} // namespace vorbel
