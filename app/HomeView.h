#pragma once

#include <QFrame>

class QLineEdit;
class QPushButton;

namespace vorbel {

struct SiteLink;

/// The home view `pan03`: the keyword box, the home search button, the 48 hot keywords and the shop logos,
/// all on the centred panel `suiPanel`. Enter in the box searches as the button does; Tab goes from the
/// box to the button.
class HomeView : public QFrame
{
    Q_OBJECT
public:
    HomeView(const std::vector<SiteLink>& logos, QWidget* parent);

    QLineEdit* keywordBox() const { return m_keyword; }
    QWidget* centrePanel() const { return m_panel; }

Q_SIGNALS:
    void searchClicked();
    void hotKeywordClicked(const QString& caption);
    void logoClicked(int index);

private:
    void addLabels();
    void addSearchBox();
    void addHotKeywords();
    void addLogos(const std::vector<SiteLink>& logos);

    QWidget* m_panel;
    QLineEdit* m_keyword = nullptr;
};

} // namespace vorbel
