#pragma once

#include <QString>

#include <pugixml.hpp>

#include <map>
#include <memory>
#include <string>

// A written workbook opened for checking: its parts parsed with pugixml,
// cells resolved to their texts.
class XlsxFile
{
public:
    explicit XlsxFile(const QString &path);

    bool ok() const { return m_ok; }
    pugi::xml_node part(const std::string &name) const; // document element of a part

    // Cell text by reference ("B2"); numbers as written; "" for blank or none.
    QString text(const std::string &ref) const;
    bool hasCell(const std::string &ref) const;
    pugi::xml_node row(int number) const;

private:
    pugi::xml_node cell(const std::string &ref) const;

    bool m_ok = false;
    std::map<std::string, std::string> m_texts;
    std::map<std::string, std::unique_ptr<pugi::xml_document>> m_docs;
};
