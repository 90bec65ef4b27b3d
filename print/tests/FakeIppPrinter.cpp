#include "print/tests/FakeIppPrinter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vellora::test {

FakeIppPrinter::FakeIppPrinter(ipp_t *attributes) : FAttributes(attributes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    FListen = fd;
    FPort = ntohs(addr.sin_port);
    FThread = std::thread([this] { serve(); });
}

FakeIppPrinter::~FakeIppPrinter()
{
    FStop = true;
    if (FThread.joinable())
        FThread.join();
    if (FListen >= 0)
        ::close(FListen);
    ippDelete(FAttributes);
}

QString FakeIppPrinter::uri() const
{
    return QStringLiteral("ipp://127.0.0.1:%1/ipp/print").arg(FPort);
}

void FakeIppPrinter::serve()
{
    while (!FStop) {
        pollfd p{FListen, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        if (http_t *http = httpAcceptConnection(FListen, 1)) {
            answer(http);
            httpClose(http);
        }
    }
}

// One connection, one request after another until the client closes it.
void FakeIppPrinter::answer(http_t *http)
{
    while (!FStop) {
        if (!httpWait(http, 100))
            continue;
        char resource[1024] = "";
        const http_state_t state = httpReadRequest(http, resource, sizeof resource);
        if (state == HTTP_STATE_WAITING)
            continue;
        if (state == HTTP_STATE_ERROR || state == HTTP_STATE_UNKNOWN_METHOD || state == HTTP_STATE_UNKNOWN_VERSION)
            return;
        http_status_t status;
        while ((status = httpUpdate(http)) == HTTP_STATUS_CONTINUE) {
        }
        if (status != HTTP_STATUS_OK)
            return;
        if (state != HTTP_STATE_POST) {
            httpClearFields(http);
            httpSetLength(http, 0);
            if (httpWriteResponse(http, HTTP_STATUS_NOT_FOUND) < 0)
                return;
            continue;
        }
        if (httpGetExpect(http) == HTTP_STATUS_CONTINUE)
            httpWriteResponse(http, HTTP_STATUS_CONTINUE);
        ipp_t *request = ippNew();
        ipp_state_t read;
        while ((read = ippRead(http, request)) != IPP_STATE_DATA) {
            if (read == IPP_STATE_ERROR) {
                ippDelete(request);
                return;
            }
        }
        ipp_t *response = ippNewResponse(request);
        if (ippGetOperation(request) == IPP_OP_GET_PRINTER_ATTRIBUTES) {
            ippCopyAttributes(response, FAttributes, 0, nullptr, nullptr);
            ++FRequests;
        } else {
            ippSetStatusCode(response, IPP_STATUS_ERROR_OPERATION_NOT_SUPPORTED);
        }
        ippDelete(request);
        httpClearFields(http);
        httpSetField(http, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
        httpSetLength(http, ippLength(response));
        const bool sent = httpWriteResponse(http, HTTP_STATUS_OK) == 0 && ippWrite(http, response) == IPP_STATE_DATA;
        ippDelete(response);
        if (!sent)
            return;
    }
}

namespace {

void addKeywords(ipp_t *ipp, const char *name, std::initializer_list<const char *> values)
{
    const std::vector<const char *> list(values);
    ippAddStrings(ipp, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, name, static_cast<int>(list.size()), nullptr, list.data());
}

} // namespace

ipp_t *DriverlessPrinterAttributes()
{
    ipp_t *a = ippNew();
    addKeywords(a, "media-supported",
                {"iso_a4_210x297mm", "iso_a5_148x210mm", "na_letter_8.5x11in", "oe_photo-l_3.5x5in"});
    addKeywords(a, "media-default", {"iso_a4_210x297mm"});
    addKeywords(a, "media-source-supported", {"auto", "manual"});
    addKeywords(a, "media-source-default", {"auto"});
    addKeywords(a, "output-bin-supported", {"face-down", "face-up"});
    addKeywords(a, "output-bin-default", {"face-down"});
    addKeywords(a, "print-scaling-supported", {"auto", "fill", "fit", "none"});
    addKeywords(a, "print-scaling-default", {"auto"});
    addKeywords(a, "job-creation-attributes-supported",
                {"copies", "media", "media-source", "output-bin", "print-scaling", "sides"});
    ippAddRange(a, IPP_TAG_PRINTER, "copies-supported", 1, 99);
    ipp_t *rule = ippNew();
    ippAddString(rule, IPP_TAG_ZERO, IPP_TAG_NAME, "resolver-name", nullptr, "fill-face-up");
    ippAddString(rule, IPP_TAG_ZERO, IPP_TAG_KEYWORD, "print-scaling", nullptr, "fill");
    ippAddString(rule, IPP_TAG_ZERO, IPP_TAG_KEYWORD, "output-bin", nullptr, "face-up");
    ippAddCollection(a, IPP_TAG_PRINTER, "job-constraints-supported", rule);
    ippDelete(rule);
    ipp_t *resolver = ippNew();
    ippAddString(resolver, IPP_TAG_ZERO, IPP_TAG_NAME, "resolver-name", nullptr, "fill-face-up");
    ippAddString(resolver, IPP_TAG_ZERO, IPP_TAG_KEYWORD, "output-bin", nullptr, "face-down");
    ippAddCollection(a, IPP_TAG_PRINTER, "job-resolvers-supported", resolver);
    ippDelete(resolver);
    return a;
}

} // namespace vellora::test
