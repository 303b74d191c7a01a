#pragma once

#include "search/ResultFilter.h"
#include "session/FeatureParts.h"

#include <QObject>
#include <QString>

class QLineEdit;

namespace vorbel {

class PageLoader;
class PageText;
class ResultGrid;
class ResultPageReader;
class ResultsView;

/// The search commands of the home and results views: the search buttons, the hot keywords and the shop
/// boxes, and the reading of each result page into the grid with its progress and end texts.
class SearchCommands : public QObject
{
    Q_OBJECT
public:
    /// homeKeyword is the home view's keyword box; wbwebb loads the result pages.
    SearchCommands(const FeatureParts& parts, ResultsView& view, QLineEdit& homeKeyword, PageLoader& wbwebb,
                   QObject* parent);
    ~SearchCommands() override;

    /// The designer's handler of the results view's search button.
    void suiButton1Click();
    /// The designer's handler of the home view's search button.
    void suiButton4Click();
    void hotKeywordClick(const QString& caption);
    /// The designer's name for applying the shop boxes to the result list.
    void get_cxnr();
    /// A page of the search mode has arrived in wbwebb; error says why it is not whole, empty when it is.
    void readPage(const PageText& page, const QString& error);
    ResultGrid& grid() const { return *m_grid; }
    ResultPageReader& reader() const { return *m_reader; }

private:
    void connectBoxes();
    /// The results view is the one shown: only then does the search write to the shared displays.
    bool isShown() const;
    ShopBoxes tickedBoxes() const;
    void openFilter();
    void reapplyShopBoxes();
    void showProgress(int position, const QString& label);
    void endSearch(int count);
    void failSearch(const QString& message, int count);

    FeatureParts m_parts;
    ResultsView& m_view;
    QLineEdit& m_homeKeyword;
    PageLoader& m_wbwebb;
    ResultGrid* m_grid;
    ResultPageReader* m_reader;
    /// Why the page being read did not arrive whole; empty when it did.
    QString m_pageError;
    /// How many shop box handlers are running, one inside the other.
    int m_cascadeDepth = 0;
};

} // namespace vorbel
