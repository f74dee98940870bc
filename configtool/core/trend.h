// Short-trend memory: fetching its 13034-byte image, turning it into CSV text and
// writing that text to a file.
#pragma once

#include "bytes.h"

#include <string>

namespace qvcfg {

class QVCom;

inline constexpr std::size_t kTrendImageSize = 13034;
inline constexpr int kTrendRing = 400;

// Whether the sample count (0..400) and the newest index (0..399) stay inside the ring.
bool TrendImageValid(const Bytes& image);

class TrendReader {
public:
    explicit TrendReader(QVCom* com) : com_(com) {}
    virtual ~TrendReader() = default;
    // 0; -1 port not opened; -2 communication failed; -3 no short trend; -4 the image
    // is not 13034 bytes or its ring fields are out of range. defaultName gets the
    // oldest sample's stamp as "YYYYMMDD_hhmmss".
    int Read(Bytes& image, int& model, std::string& defaultName);

private:
    QVCom* com_;
};

namespace data {

class TrendCsvConverter {
public:
    virtual ~TrendCsvConverter() = default;
    // Appends the CSV text ("\n" line ends). 0, or -1 for an image that is not a trend.
    virtual int Convert(const Bytes& image, std::string& text, int model) const;
};

}  // namespace data

class TrendWriter {
public:
    virtual ~TrendWriter() = default;
    // 0; -1 the file could not be created; -2 writing failed; -3 conversion failed.
    int Write(const Bytes& image, const std::string& path, int model) const;

private:
    data::TrendCsvConverter converter_;
};

}  // namespace qvcfg
