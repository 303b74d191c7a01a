#include "session/SiteLinks.h"

namespace vorbel {

std::vector<SiteLink> siteLinks(const QString& serviceBase)
{
    auto logo = [](const char* control, const char* name, const char* stem, const char* url) {
        return SiteLink{QString::fromLatin1(control), QString::fromUtf8(name),
                        QStringLiteral(":/images/shop-") + QString::fromLatin1(stem) + QStringLiteral(".png"),
                        QUrl(QString::fromLatin1(url))};
    };
    return {
        logo("Image1", "淘宝网", "taobao", "https://www.taobao.com/"),
        logo("Image2", "天猫商城", "tmall", "https://www.tmall.com/"),
        logo("Image3", "京东商城", "jd", "https://www.jd.com/"),
        logo("Image4", "当当网", "dangdang", "http://www.dangdang.com/"),
        logo("Image5", "亚马逊", "amazon", "https://www.amazon.cn/"),
        logo("Image6", "凡客诚品", "vancl", "http://www.vancl.com/"),
        logo("Image7", "苏宁易购", "suning", "https://www.suning.com/"),
        logo("Image8", "1号店", "yhd", "https://www.yhd.com/"),
        SiteLink{QStringLiteral("btn5"),
                 QStringLiteral("网购网址库"),
                 {},
                 QUrl(QStringLiteral("https://www.hao123.com/gouwu"))},
        SiteLink{
            QStringLiteral("btn8"), QStringLiteral("官方网站"), {}, QUrl(serviceBase + QLatin1Char('/'))},
    };
}

} // namespace vorbel
