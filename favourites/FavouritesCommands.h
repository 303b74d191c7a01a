#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

namespace vorbel {

class FavouritesGrid;
class FavouritesPageReader;
class Tfrmsc;
class Tfrmvorbel;

/// The favourites and price-drop commands: each loads its page in a new loader form and refills the
/// favourites table, with the progress panel and the end texts.
class FavouritesCommands : public QObject
{
    Q_OBJECT
public:
    explicit FavouritesCommands(Tfrmvorbel& window);

    void btn2Click();
    void btn3Click();
    FavouritesGrid& grid() const { return *m_grid; }
    bool isLoading() const { return m_loading; }

private:
    void startRetrieval(bool priceDrops);
    void WebBrowser1DocumentComplete(Tfrmsc& loader);
    void showProgress(int position, const QString& label);
    void finish(bool recognised, int count);

    Tfrmvorbel& m_window;
    FavouritesGrid* m_grid;
    FavouritesPageReader* m_reader;
    QPointer<Tfrmsc> m_loader;
    bool m_loading = false;
    /// Why the page being read did not arrive whole; empty when it did.
    QString m_pageError;
};

} // namespace vorbel
