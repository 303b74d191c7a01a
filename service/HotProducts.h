#pragma once

#include <string>
#include <vector>

namespace vorbel::service {

/// A kind of product the catalogue lists for a keyword, with its usual price range in yuan.
struct ProductStem
{
    const char* text;
    int minYuan;
    int maxYuan;
};

/// What the shops really sell for one of the home page's hot keywords.
struct HotProducts
{
    const char* keyword;
    std::vector<const char*> brands; ///< put before a stem; empty when the stems name their brand
    std::vector<ProductStem> stems;
};

/// The products of a hot keyword (matched exactly), or nullptr for any other keyword.
const HotProducts* hotProductsFor(const std::string& keyword);

/// The 48 hot keywords, in the home page's order.
std::vector<std::string> hotKeywords();

} // namespace vorbel::service
