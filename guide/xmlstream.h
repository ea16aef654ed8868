#pragma once
// The importer's own: an XML file read as a stream of elements with expat,
// safely. Not for use outside guide/.
//
// No document type declaration is accepted (the official files have none), so
// no entity can be declared: nothing external is ever loaded and no entity is
// expanded. Errors of the XML, of the handler's checks and of the bytes'
// source all end as one ImportError "NAME:LINE: what (detail)".

#include <string>
#include <string_view>

#include "guide/importer.h"

namespace guide::detail {

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // attributes: name, value, name, value, ..., nullptr (as expat gives them)
    virtual void start(std::string_view name, const char** attributes) = 0;
    virtual void end(std::string_view name) = 0;
    // Character data; may come in pieces.
    virtual void text(std::string_view piece) = 0;
    // Once the whole document has been read: what needs all of it (rows held
    // back, counts checked). May throw XmlContentError, which names the file.
    virtual void finish() {}
};

// Thrown by a handler for content the guide cannot take; the reader adds the
// file's name and the line.
class XmlContentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the whole source through the handler, then has it finish. Throws
// ImportError.
void ReadXml(ByteSource& in, const std::string& name, XmlHandler& handler);

// The value of an attribute, or "" when absent.
std::string_view Attribute(const char** attributes, std::string_view name);

// Blanks (spaces, tabs, line ends) at both ends removed and runs of them inside
// made one space: "\tadvanced  dry\r\n stage " => "advanced dry stage".
std::string Collapse(std::string_view text);

} // namespace guide::detail
