#pragma once

#include "session/FeatureParts.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace vorbel {

class FavouritesGrid;
class FavouritesPageReader;
class FavouritesView;
class PageText;
class Tfrmsc;

/// The favourites and price-drop commands: each loads its page in a loader form of its own and refills the
/// favourites table, with the progress panel and the end texts.
class FavouritesCommands : public QObject
{
    Q_OBJECT
public:
    /// The loader forms are windows of `formsOwner`, the program's window.
    FavouritesCommands(const FeatureParts& parts, FavouritesView& view, QWidget& formsOwner, QObject* parent);

    /// The designer's handler of 商品收藏夹: the favourites list.
    void btn2Click();
    /// The designer's handler of 商品降价通知: the price-drop list.
    void btn3Click();
    FavouritesGrid& grid() const { return *m_grid; }
    bool isLoading() const { return m_loading; }
    /// The loader form of the latest retrieval, while it lives.
    Tfrmsc* loaderForm() const;

private:
    void startRetrieval(bool priceDrops);
    Tfrmsc& replaceLoaderForm();
    void WebBrowser1DocumentComplete(Tfrmsc& loader);
    void showProgress(int position, const QString& label);
    void finish(bool recognised, int count);
    /// The favourites view is the one shown: only then does the retrieval write to the shared displays.
    bool isShown() const;

    FeatureParts m_parts;
    QWidget& m_formsOwner;
    FavouritesGrid* m_grid;
    FavouritesPageReader* m_reader;
    QPointer<Tfrmsc> m_loader;
    bool m_loading = false;
    /// The retrieval under way is the price-drop list (the page mode may have moved on since).
    bool m_priceDrops = false;
    /// Why the page being read did not arrive whole; empty when it did.
    QString m_pageError;
};

} // namespace vorbel
