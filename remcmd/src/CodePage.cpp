#include "remcmd/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace remcmd {

namespace {

std::string charsetOf(uint32_t codePage)
{
    if (codePage == 0)
        return "CP1252";
    if (codePage == 65001)
        return "UTF-8";
    if (codePage == 20127)
        return "ASCII";
    if (codePage == 28591)
        return "ISO-8859-1";
    return "CP" + std::to_string(codePage);
}

bool convert(std::string_view in, const std::string& from, const std::string& to, std::string& out)
{
    out.clear();
    iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    bool ok = true;
    char buffer[1024];
    while (left > 0) {
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t rc = ::iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    ::iconv_close(cd);
    if (!ok)
        out.clear();
    return ok;
}

} // namespace

bool toCodePage(std::string_view utf8, uint32_t codePage, std::string& bytes)
{
    return convert(utf8, "UTF-8", charsetOf(codePage), bytes);
}

bool fromCodePage(std::string_view bytes, uint32_t codePage, std::string& utf8)
{
    return convert(bytes, charsetOf(codePage), "UTF-8", utf8);
}

} // namespace remcmd
