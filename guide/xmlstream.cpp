#include "guide/xmlstream.h"

#include <cstring>
#include <exception>
#include <memory>

#include <expat.h>

namespace guide::detail {

namespace {

// What the reader knows while expat runs: the handler, and the first error a
// callback met (expat is C: nothing may be thrown through it).
struct Context {
    XML_Parser parser = nullptr;
    XmlHandler* handler = nullptr;
    std::string error;
    unsigned long errorLine = 0;
    std::exception_ptr other; // an error of the writer (a full disk), passed on as it is
    bool sawElement = false;

    void stop(std::string what) {
        if (error.empty() && !what.empty()) {
            error = std::move(what);
            errorLine = XML_GetCurrentLineNumber(parser);
        }
        XML_StopParser(parser, XML_FALSE);
    }
};

template <class F> void Guarded(void* data, F&& f) {
    auto* c = static_cast<Context*>(data);
    if (!c->error.empty() || c->other) return;
    try {
        f(*c);
    } catch (const XmlContentError& e) {
        c->stop(e.what());
    } catch (...) {
        c->other = std::current_exception();
        c->stop("");
    }
}

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Guarded(data, [&](Context& c) {
        c.sawElement = true;
        c.handler->start(name, attributes);
    });
}

void OnEnd(void* data, const XML_Char* name) {
    Guarded(data, [&](Context& c) { c.handler->end(name); });
}

void OnText(void* data, const XML_Char* s, int len) {
    Guarded(data, [&](Context& c) { c.handler->text(std::string_view(s, static_cast<std::size_t>(len))); });
}

void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<Context*>(data)->stop(
        "含有文件類型宣告（DOCTYPE），官方檔案沒有；為了安全，不讀取宣告或外部實體的 XML "
        "(a document type declaration is refused)");
}

void OnEntityDeclaration(void* data, const XML_Char* name, int, const XML_Char*, int, const XML_Char*,
                         const XML_Char*, const XML_Char*, const XML_Char*) {
    static_cast<Context*>(data)->stop(std::string("含有實體宣告「") + name +
                                      "」，官方檔案沒有；為了安全不讀取 (an entity declaration is refused)");
}

// What went wrong, in words a user can act on, with expat's own words after it.
std::string Describe(XML_Error code) {
    std::string what;
    switch (code) {
    case XML_ERROR_NO_ELEMENTS:
    case XML_ERROR_UNCLOSED_TOKEN:
    case XML_ERROR_UNCLOSED_CDATA_SECTION:
    case XML_ERROR_PARTIAL_CHAR:
        what = "XML 檔不完整：在文件結束之前就中斷了，可能是下載或複製不完全";
        break;
    case XML_ERROR_TAG_MISMATCH:
        what = "XML 標記前後不對應，檔案已損壞";
        break;
    case XML_ERROR_UNDEFINED_ENTITY:
    case XML_ERROR_RECURSIVE_ENTITY_REF:
    case XML_ERROR_EXTERNAL_ENTITY_HANDLING:
        what = "XML 使用了未宣告或不允許的實體，不讀取";
        break;
    case XML_ERROR_AMPLIFICATION_LIMIT_BREACH:
        what = "XML 的實體展開過多（疑似惡意檔案），不讀取";
        break;
    case XML_ERROR_UNKNOWN_ENCODING:
    case XML_ERROR_INCORRECT_ENCODING:
        what = "XML 的文字編碼不是可讀取的編碼（官方檔案是 UTF-8）";
        break;
    case XML_ERROR_INVALID_TOKEN:
        what = "XML 含有不合法的字元或標記，檔案已損壞";
        break;
    default:
        what = "XML 格式錯誤，檔案已損壞";
        break;
    }
    return what + " (" + XML_ErrorString(code) + ")";
}

struct ParserDeleter {
    void operator()(XML_ParserStruct* p) const { XML_ParserFree(p); }
};

} // namespace

void ReadXml(ByteSource& in, const std::string& name, XmlHandler& handler) {
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate(nullptr));
    if (!parser) throw ImportError(name + ": 記憶體不足，無法讀取 XML (out of memory)");
    Context c;
    c.parser = parser.get();
    c.handler = &handler;
    XML_SetUserData(c.parser, &c);
    XML_SetElementHandler(c.parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(c.parser, OnText);
    // Never read a DTD or parameter entity, never an external entity (no
    // handler for them is set), and refuse any declaration at all.
    XML_SetParamEntityParsing(c.parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetStartDoctypeDeclHandler(c.parser, OnDoctype);
    XML_SetEntityDeclHandler(c.parser, OnEntityDeclaration);

    auto failed = [&](XML_Status status) {
        if (status == XML_STATUS_OK) return;
        if (c.other) std::rethrow_exception(c.other);
        const XML_Error code = XML_GetErrorCode(c.parser);
        if (!c.error.empty() || code == XML_ERROR_ABORTED)
            throw ImportError(name + ":" + std::to_string(c.errorLine) + ": " + c.error);
        throw ImportError(name + ":" + std::to_string(XML_GetCurrentLineNumber(c.parser)) + ": " +
                          Describe(code));
    };
    char buffer[1 << 16];
    bool any = false;
    for (;;) {
        const std::size_t n = in.read(buffer, sizeof buffer);
        if (n == 0) break;
        any = true;
        failed(XML_Parse(c.parser, buffer, static_cast<int>(n), XML_FALSE));
    }
    if (!any) throw ImportError(name + ": 檔案是空的 (the file is empty)");
    failed(XML_Parse(c.parser, buffer, 0, XML_TRUE));
    if (!c.sawElement) throw ImportError(name + ": 檔案中沒有任何 XML 元素 (no element)");
    try {
        handler.finish();
    } catch (const XmlContentError& e) {
        throw ImportError(name + ": " + e.what());
    }
}

std::string_view Attribute(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a && a[0]; a += 2)
        if (name == a[0]) return a[1];
    return {};
}

std::string Collapse(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char ch : text) {
        if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += ch;
    }
    return out;
}

} // namespace guide::detail
