// The text of a printed PDF file, page by page, read back with pdftotext.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kravin::test {

// Runs of blanks read back as one blank (pdftotext lays words out by position).
inline std::string squeezedBlanks(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

// Every page's text (pdftotext -layout), blanks squeezed.
inline std::vector<std::string> pdfPageTexts(const std::string& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    const std::string text = p.readAllStandardOutput().toStdString();
    std::vector<std::string> pages;
    std::size_t from = 0;
    for (std::size_t ff; (ff = text.find('\f', from)) != std::string::npos; from = ff + 1)
        pages.push_back(squeezedBlanks(text.substr(from, ff - from)));
    return pages;
}

// A word of a printed page and its box, in points from the page's top left.
struct PdfWord {
    std::string text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

// Every page's words with their boxes (pdftotext -bbox).
inline std::vector<std::vector<PdfWord>> pdfPageWords(const std::string& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QString::fromStdString(path), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression page(QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                                        "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    std::vector<std::vector<PdfWord>> pages;
    for (auto it = page.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(5).isNull()) {
            pages.emplace_back();
            continue;
        }
        if (pages.empty()) pages.emplace_back();
        pages.back().push_back({m.captured(5).toStdString(), m.captured(1).toDouble(), m.captured(2).toDouble(),
                                m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return pages;
}

}  // namespace kravin::test
