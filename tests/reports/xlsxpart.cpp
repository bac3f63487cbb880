#include "xlsxpart.h"

#include <QFile>

#include <zip.h>

#include <vector>

using namespace Qt::StringLiterals;

XlsxFile::XlsxFile(const QString &path)
{
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!z)
        return;
    const zip_int64_t n = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        if (zip_stat_index(z, zip_uint64_t(i), 0, &st) != 0)
            continue;
        zip_file_t *f = zip_fopen_index(z, zip_uint64_t(i), 0);
        std::string data(size_t(st.size), '\0');
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        auto doc = std::make_unique<pugi::xml_document>();
        doc->load_string(data.c_str(), pugi::parse_default | pugi::parse_ws_pcdata);
        m_docs[st.name] = std::move(doc);
    }
    zip_discard(z);
    m_ok = m_docs.count("xl/worksheets/sheet1.xml") > 0;
}

pugi::xml_node XlsxFile::part(const std::string &name) const
{
    const auto it = m_docs.find(name);
    return it == m_docs.end() ? pugi::xml_node() : it->second->document_element();
}

pugi::xml_node XlsxFile::cell(const std::string &ref) const
{
    return part("xl/worksheets/sheet1.xml").child("sheetData").find_node([&](const pugi::xml_node &n) {
        return std::string(n.name()) == "c" && ref == n.attribute("r").value();
    });
}

bool XlsxFile::hasCell(const std::string &ref) const
{
    return bool(cell(ref));
}

QString XlsxFile::text(const std::string &ref) const
{
    const pugi::xml_node c = cell(ref);
    if (!c || !c.child("v"))
        return QString();
    const std::string v = c.child_value("v");
    if (std::string(c.attribute("t").value()) == "s") {
        std::vector<pugi::xml_node> items;
        for (pugi::xml_node si : part("xl/sharedStrings.xml").children("si"))
            items.push_back(si);
        const size_t i = std::stoul(v);
        return i < items.size() ? QString::fromUtf8(items[i].child_value("t")) : u"<bad index>"_s;
    }
    return QString::fromStdString(v);
}

pugi::xml_node XlsxFile::row(int number) const
{
    for (pugi::xml_node r : part("xl/worksheets/sheet1.xml").child("sheetData").children("row"))
        if (r.attribute("r").as_int() == number)
            return r;
    return {};
}
