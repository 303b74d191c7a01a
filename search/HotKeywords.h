#pragma once

#include <array>

namespace vorbel {

/// A hot keyword label of the home view: its designer name and the keyword it searches.
struct HotKeyword
{
    const char* name;
    const char* caption; // UTF-8
};

/// The 48 hot keywords, six rows of eight: label "lab" + (row − 1) + column.
inline constexpr std::array<HotKeyword, 48> HotKeywords{{
    {"lab01", "舌尖中国"},   {"lab02", "婴儿奶粉"},   {"lab03", "左旋肉碱"},  {"lab04", "减肥药"},
    {"lab05", "瘦腿精油"},   {"lab06", "按摩器"},     {"lab07", "健身器"},    {"lab08", "胶原蛋白"},
    {"lab11", "女装新款"},   {"lab12", "连衣裙"},     {"lab13", "长袖T恤"},   {"lab14", "女装雪纺"},
    {"lab15", "新款韩版"},   {"lab16", "情侣装"},     {"lab17", "亲子装"},    {"lab18", "休闲裤"},
    {"lab21", "身体美白"},   {"lab22", "防脱生发"},   {"lab23", "BB霜"},      {"lab24", "香奈儿"},
    {"lab25", "芳草集"},     {"lab26", "金戒指"},     {"lab27", "手链"},      {"lab28", "水晶项链"},
    {"lab31", "苹果手机"},   {"lab32", "安卓手机"},   {"lab33", "iphone5"},   {"lab34", "iphone4"},
    {"lab35", "乐Phone"},    {"lab36", "HTC"},        {"lab37", "小米手机"},  {"lab38", "三星手机"},
    {"lab41", "智能手机"},   {"lab42", "ipad2"},      {"lab43", "ipad3"},     {"lab44", "ipod"},
    {"lab45", "液晶电视"},   {"lab46", "自动洗衣机"}, {"lab47", "电冰箱"},    {"lab48", "笔记本电脑"},
    {"lab51", "苹果/APPLE"}, {"lab52", "诺基亚"},     {"lab53", "联想"},      {"lab54", "华为"},
    {"lab55", "ZTE/中兴"},   {"lab56", "摩托罗拉"},   {"lab57", "Sony/索尼"}, {"lab58", "OPPO/欧普"},
}};

} // namespace vorbel
