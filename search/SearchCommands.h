#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace vorbel {

class ResultGrid;
class ResultPageReader;
class Tfrmvorbel;

/// The search commands of the home and results views: the search buttons, the hot keywords and the shop
/// boxes, and the reading of each result page into the grid with its progress and end texts.
class SearchCommands : public QObject
{
    Q_OBJECT
public:
    explicit SearchCommands(Tfrmvorbel& window);
    ~SearchCommands() override;

    void suiButton1Click();
    void suiButton4Click();
    void hotKeywordClick(const QString& caption);
    void get_cxnr();
    ResultGrid& grid() const { return *m_grid; }
    ResultPageReader& reader() const { return *m_reader; }

private:
    void connectBoxes();
    void wbwebbDocumentComplete();
    void showProgress(int position, const QString& label);
    void endSearch(int count);
    void failSearch(const QString& message, int count);

    Tfrmvorbel& m_window;
    ResultGrid* m_grid;
    ResultPageReader* m_reader;
    /// Why the page being read did not arrive whole; empty when it did.
    QString m_pageError;
};

} // namespace vorbel
