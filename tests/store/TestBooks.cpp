#include "TestBooks.h"

#include <zip.h>
#include <QFile>

#include <stdexcept>

namespace testbooks {

QByteArray zipParts(const Parts& parts) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* mem = zip_source_buffer_create(nullptr, 0, 0, &err);
    zip_source_keep(mem);
    zip_t* z = zip_open_from_source(mem, ZIP_TRUNCATE, &err);
    if (z == nullptr)
        throw std::runtime_error("zip_open_from_source");
    for (const auto& [name, bytes] : parts) {
        zip_source_t* s = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
        if (zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8) < 0)
            throw std::runtime_error("zip_file_add");
    }
    if (zip_close(z) != 0)
        throw std::runtime_error("zip_close");
    zip_source_open(mem);
    zip_source_seek(mem, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(mem);
    zip_source_seek(mem, 0, SEEK_SET);
    QByteArray out(qsizetype(size), '\0');
    zip_source_read(mem, out.data(), zip_uint64_t(size));
    zip_source_close(mem);
    zip_source_free(mem);
    return out;
}

std::map<std::string, std::string> unzipParts(const QByteArray& zipBytes) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src =
        zip_source_buffer_create(zipBytes.constData(), zip_uint64_t(zipBytes.size()), 0, &err);
    zip_t* z = zip_open_from_source(src, ZIP_RDONLY, &err);
    if (z == nullptr)
        throw std::runtime_error("not a zip");
    std::map<std::string, std::string> out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        std::string data(size_t(st.size), '\0');
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        out[st.name] = data;
    }
    zip_discard(z);
    return out;
}

std::string sheetXml(const std::string& sheetData, const std::string& after) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<sheetData>" +
           sheetData + "</sheetData>" + after + "</worksheet>";
}

Parts bookParts(const BookContent& content) {
    std::string rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/>";
    if (!content.sharedStrings.empty()) {
        rels +=
            "<Relationship Id=\"rId2\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
            "sharedStrings\" Target=\"sharedStrings.xml\"/>";
    }
    if (!content.styles.empty()) {
        rels +=
            "<Relationship Id=\"rId3\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
            "Target=\"styles.xml\"/>";
    }
    rels += "</Relationships>";
    Parts parts = {
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
        {"_rels/.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml",
         "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
             content.workbookPr +
             "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", rels},
        {"xl/worksheets/sheet1.xml", content.sheet},
    };
    if (!content.sharedStrings.empty())
        parts.push_back({"xl/sharedStrings.xml", content.sharedStrings});
    if (!content.styles.empty())
        parts.push_back({"xl/styles.xml", content.styles});
    return parts;
}

QByteArray makeBook(const BookContent& content) {
    return zipParts(bookParts(content));
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write test file");
    f.write(bytes);
}

}  // namespace testbooks
