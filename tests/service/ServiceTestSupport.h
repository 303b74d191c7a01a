#pragma once

#include "platform/PageText.h"
#include "service/ReferenceService.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorbel::test {

/// What a plain socket read of one answer saw: the head as sent, the body bytes that arrived before the
/// connection closed, and the Content-Length the head announced.
struct RawAnswer
{
    std::string head;
    std::string body;
    long long contentLength = -1;
    bool closed = false;
};

/// GET over a plain loopback socket, reading until the server closes the connection.
RawAnswer rawGet(int port, const std::string& path);

/// Decodes a JPEG fully; its width and height, or nothing when libjpeg rejects it.
std::optional<std::pair<int, int>> decodeJpeg(const std::string& bytes);
/// The dimensions a JPEG's header claims, without decoding it.
std::optional<std::pair<int, int>> jpegHeaderSize(const std::string& bytes);

/// A percent-encoded query value, as the client sends it.
std::string encoded(const std::string& value);

/// The value of a cell line: from the 5th character up to the first "</TD>", as the client reads it.
QString cellValue(const PageText& text, int line);
/// The indexes of the lines that hold "<TR>".
std::vector<int> rowStarts(const PageText& text);
/// How many lines hold "<TD></TD>".
int emptyCellLines(const PageText& text);
/// A price cell in cents ("99" or "99.50").
std::int64_t cents(const QString& price);

/// An in-process reference service on a free loopback port with a clock the test moves.
class ServiceTest : public ::testing::Test
{
protected:
    void startService(service::ServiceOptions options = {});
    void restartService();

    httplib::Result get(const std::string& path);
    PageText page(const std::string& path);
    PageText results(const std::string& keyword, const std::string& user = "U1");
    PageText favourites(const std::string& user, bool dropsOnly = false);

    std::atomic<std::int64_t> m_now{1765000000};
    service::ServiceOptions m_options;
    std::unique_ptr<service::ReferenceService> m_service;
    std::unique_ptr<httplib::Client> m_client;
};

} // namespace vorbel::test
