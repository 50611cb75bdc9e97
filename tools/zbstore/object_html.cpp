#include "object_html.h"
#include <map>
#include "text_encoding.h"

namespace {

const char kPageStart[] = R"(<!DOCTYPE html>
<html lang="de">
<head>
<meta charset="utf-8">
<title>Zifferbox: Objekte</title>
<style>
body { font-family: Tahoma, Verdana, sans-serif; font-size: 10pt; margin: 1.5em; }
h1 { font-size: 16pt; margin: 0 0 0.2em 0; }
h2 { font-size: 12pt; margin: 1.2em 0 0.3em 0; border-bottom: 1px solid #888; break-after: avoid; }
p.count { margin: 0 0 1em 0; color: #444; }
table { width: 100%; border-collapse: collapse; table-layout: fixed; }
th, td { text-align: left; vertical-align: top; padding: 0.2em 0.4em; border-bottom: 1px solid #ddd;
         overflow-wrap: anywhere; white-space: pre-wrap; }
th { background: #eee; }
col.name { width: 30%; } col.serial { width: 30%; } col.remark { width: 40%; }
tr { break-inside: avoid; }
@page { size: A4; margin: 15mm; }
@media print { body { margin: 0; } th { background: none; border-bottom: 1px solid #000; } }
</style>
</head>
<body>
)";

void AppendGroup(std::string &page, const std::u16string &title, const std::vector<const ObjectRow *> &rows)
{
    page += "<h2>" + HtmlEscaped(title) + "</h2>\n";
    page += "<table>\n<colgroup><col class=\"name\"><col class=\"serial\"><col class=\"remark\"></colgroup>\n";
    page += "<thead><tr><th>Name</th><th>Seriennummer</th><th>Bemerkung</th></tr></thead>\n<tbody>\n";
    for (const ObjectRow *row : rows)
        page += "<tr><td>" + HtmlEscaped(row->name) + "</td><td>" + HtmlEscaped(row->serialNumber) + "</td><td>" +
                HtmlEscaped(row->remark) + "</td></tr>\n";
    page += "</tbody>\n</table>\n";
}

}  // namespace

std::string HtmlEscaped(const std::u16string &text)
{
    std::string escaped;
    for (char16_t c : text) {
        switch (c) {
        case u'&': escaped += "&amp;"; break;
        case u'<': escaped += "&lt;"; break;
        case u'>': escaped += "&gt;"; break;
        case u'"': escaped += "&quot;"; break;
        case u'\'': escaped += "&#39;"; break;
        default: AppendUtf8(escaped, std::u16string(1, c)); break;
        }
    }
    return escaped;
}

std::string WriteObjectsHtml(const std::vector<ObjectRow> &rows, const std::vector<std::u16string> &categories)
{
    std::map<std::u16string, std::vector<const ObjectRow *>> byCategory;
    std::vector<std::u16string> unlisted;
    std::vector<const ObjectRow *> without;
    for (const ObjectRow &row : rows) {
        if (row.category.empty()) {
            without.push_back(&row);
            continue;
        }
        auto &group = byCategory[row.category];
        group.push_back(&row);
        if (group.size() == 1) {
            bool listed = false;
            for (const std::u16string &category : categories)
                listed = listed || category == row.category;
            if (!listed)
                unlisted.push_back(row.category);
        }
    }
    std::string page = kPageStart;
    page += "<h1>Zifferbox: Objekte</h1>\n<p class=\"count\">" + std::to_string(rows.size()) +
            (rows.size() == 1 ? " Objekt" : " Objekte") + "</p>\n";
    for (const std::u16string &category : categories) {
        auto found = byCategory.find(category);
        if (found != byCategory.end())
            AppendGroup(page, category, found->second);
    }
    for (const std::u16string &category : unlisted)
        AppendGroup(page, category, byCategory[category]);
    if (!without.empty())
        AppendGroup(page, u"Ohne Kategorie", without);
    return page + "</body>\n</html>\n";
}
