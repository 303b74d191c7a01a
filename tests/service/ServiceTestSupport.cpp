#include "ServiceTestSupport.h"

#include <arpa/inet.h>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorbel::test {

namespace {

struct JpegFailure
{
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
};

void failJpeg(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegFailure*>(info->err)->jump, 1);
}

void quietJpeg(j_common_ptr, int) {}

/// Reads a JPEG's header and, when `full`, every scanline; libjpeg's errors jump back here.
std::optional<std::pair<int, int>> readJpeg(const std::string& bytes, bool full)
{
    jpeg_decompress_struct info{};
    JpegFailure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = failJpeg;
    failure.manager.emit_message = quietJpeg;
    jpeg_create_decompress(&info);
    std::vector<unsigned char> row;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned long)bytes.size());
    jpeg_read_header(&info, TRUE);
    std::pair<int, int> size{int(info.image_width), int(info.image_height)};
    if (full) {
        jpeg_start_decompress(&info);
        row.resize(std::size_t(info.output_width) * std::size_t(info.output_components));
        while (info.output_scanline < info.output_height) {
            JSAMPROW rows[] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
        }
        jpeg_finish_decompress(&info);
        if (failure.manager.num_warnings > 0)
            size = {0, 0}; // a corrupt stream libjpeg patched up is no picture either
    }
    jpeg_destroy_decompress(&info);
    if (size.first == 0)
        return std::nullopt;
    return size;
}

} // namespace

RawAnswer rawGet(int port, const std::string& path)
{
    RawAnswer answer;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return answer;
    }
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nConnection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string all;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        all.append(buffer, std::size_t(got));
    answer.closed = got == 0;
    ::close(fd);
    const std::size_t end = all.find("\r\n\r\n");
    answer.head = all.substr(0, end);
    if (end != std::string::npos)
        answer.body = all.substr(end + 4);
    const std::size_t length = answer.head.find("Content-Length: ");
    if (length != std::string::npos)
        answer.contentLength = std::atoll(answer.head.c_str() + length + 16);
    return answer;
}

std::optional<std::pair<int, int>> decodeJpeg(const std::string& bytes)
{
    return readJpeg(bytes, true);
}

std::optional<std::pair<int, int>> jpegHeaderSize(const std::string& bytes)
{
    return readJpeg(bytes, false);
}

std::string encoded(const std::string& value)
{
    return httplib::detail::encode_query_param(value);
}

QString cellValue(const PageText& text, int line)
{
    const QString value = text.line(line);
    const qsizetype end = value.indexOf(QStringLiteral("</TD>"));
    return end < 0 ? QString() : value.mid(4, end - 4);
}

std::vector<int> rowStarts(const PageText& text)
{
    std::vector<int> starts;
    for (int i = 0; i < text.count(); ++i)
        if (text.line(i).contains(QStringLiteral("<TR>")))
            starts.push_back(i);
    return starts;
}

int emptyCellLines(const PageText& text)
{
    int count = 0;
    for (int i = 0; i < text.count(); ++i)
        count += text.line(i).contains(QStringLiteral("<TD></TD>")) ? 1 : 0;
    return count;
}

std::int64_t cents(const QString& price)
{
    const qsizetype dot = price.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return price.toLongLong() * 100;
    return price.left(dot).toLongLong() * 100 +
           price.mid(dot + 1).leftJustified(2, QLatin1Char('0')).toLongLong();
}

void ServiceTest::startService(service::ServiceOptions options)
{
    options.port = 0;
    if (!options.clock)
        options.clock = [this] { return m_now.load(); };
    m_options = options;
    m_client.reset();
    m_service.reset();
    m_service = std::make_unique<service::ReferenceService>(std::move(options));
    ASSERT_TRUE(m_service->start()) << m_service->error();
    m_client = std::make_unique<httplib::Client>("127.0.0.1", m_service->port());
}

void ServiceTest::restartService()
{
    startService(m_options);
}

httplib::Result ServiceTest::get(const std::string& path)
{
    return m_client->Get(path.c_str());
}

PageText ServiceTest::page(const std::string& path)
{
    const auto result = get(path);
    EXPECT_TRUE(result) << path;
    if (!result)
        return {};
    const std::string type = result->get_header_value("Content-Type");
    const auto at = type.find("charset=");
    const std::string charset = at == std::string::npos ? "" : type.substr(at + 8);
    return PageText::fromHtml(QByteArrayView(result->body.data(), qsizetype(result->body.size())),
                              QByteArrayView(charset.data(), qsizetype(charset.size())));
}

PageText ServiceTest::results(const std::string& keyword, const std::string& user)
{
    return page("/ListAll.aspx?word=" + encoded(keyword) + "&u=" + encoded(user) + "&p=kzvtq");
}

PageText ServiceTest::favourites(const std::string& user, bool dropsOnly)
{
    return page("/ListAllMyFav.aspx?u=" + encoded(user) + "&p=kzvtq" + (dropsOnly ? "&d=down" : ""));
}

} // namespace vorbel::test
