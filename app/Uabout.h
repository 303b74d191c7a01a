#pragma once

#include <QWidget>

namespace vorbel {

/// The about box: a frameless, always-on-top picture that closes (and frees itself) on a click.
class Tfrmabout : public QWidget
{
    Q_OBJECT
public:
    explicit Tfrmabout(QWidget* parent = nullptr);

private:
    void Image1Click();
};

} // namespace vorbel
