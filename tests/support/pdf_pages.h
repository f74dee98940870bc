// The text of a printed PDF file, page by page, read back with pdftotext.
#pragma once

#include <QProcess>
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

}  // namespace kravin::test
