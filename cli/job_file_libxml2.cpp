// Job files read with libxml2, under the same rules as the Windows build's
// DOM: element names compared exactly (prefix included), blank text between
// elements ignored, an element's value the text of its first child.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <memory>

#include "cli/parse.h"

namespace Vastrel2 {
namespace {

std::string QualifiedName(const xmlNode* node) {
    std::string name = reinterpret_cast<const char*>(node->name);
    if (node->ns && node->ns->prefix) name = reinterpret_cast<const char*>(node->ns->prefix) + (":" + name);
    return name;
}

bool IsBlankText(const xmlNode* node) {
    if (node->type != XML_TEXT_NODE || !node->content) return false;
    for (const xmlChar* c = node->content; *c; ++c)
        if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') return false;
    return true;
}

// The first child that the Windows DOM keeps: text made of blanks only is
// dropped there when the document is loaded.
const xmlNode* FirstChild(const xmlNode* node) {
    const xmlNode* child = node->children;
    while (child && IsBlankText(child)) child = child->next;
    return child;
}

// The reasons come back through the parser context; nothing is printed.
void Silent(void*, const char*, ...) {}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

void ReadJobFile(const std::string& path, std::vector<ParseSettings>& jobs) {
    const std::string prefix = "Unable to open XML file \"" + path + "\": ";
    xmlSetGenericErrorFunc(nullptr, Silent);
    std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> context(xmlNewParserCtxt(), xmlFreeParserCtxt);
    if (!context) throw JobFileError(prefix + "the XML reader could not be started");
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> document(
        xmlCtxtReadFile(context.get(), path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    const xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (!root) {
        const xmlError* error = xmlCtxtGetLastError(context.get());
        std::string reason = error && error->message ? Trimmed(error->message) : "the file is not an XML document";
        if (error && error->line > 0) reason += " (line " + std::to_string(error->line) + ")";
        throw JobFileError(prefix + reason);
    }

    // Depth first, each element before its children, children in document order.
    const xmlNode* node = root;
    while (node) {
        if (node->type == XML_ELEMENT_NODE && QualifiedName(node) == "project") {
            jobs.emplace_back();
            ParseSettings& settings = jobs.back();
            for (const xmlNode* child = node->children; child; child = child->next) {
                if (child->type != XML_ELEMENT_NODE) continue;
                const std::string name = QualifiedName(child);
                if (!IsJobElementName(name)) continue;
                const xmlNode* first = FirstChild(child);
                if (!first)
                    TakeJobElement(settings, name, " ");
                else if (first->type == XML_TEXT_NODE)
                    TakeJobElement(settings, name, reinterpret_cast<const char*>(first->content));
                else
                    throw JobFileError(prefix + "the element \"" + name + "\" does not hold text");
            }
        }
        if (node->type == XML_ELEMENT_NODE && node->children) {
            node = node->children;
            continue;
        }
        while (node && node != root && !node->next) node = node->parent;
        node = (node && node != root) ? node->next : nullptr;
    }
}

}  // namespace Vastrel2
