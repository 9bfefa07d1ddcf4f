#include "toolkit/TBitmap.h"

#include <stdexcept>
#include <string>

#include "toolkit/HandlerFailure.h"
#include "toolkit/TCanvas.h"

namespace velmora::ui {

TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>(*this)) {}

TBitmap::TBitmap(int width, int height) : TBitmap() {
    SetSize(width, height);
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        image_ = QImage();
    } else {
        image_ = QImage(width, height, QImage::Format_BGR888);
        if (image_.isNull()) throw std::bad_alloc();
        image_.fill(Qt::white);
    }
    Changed();
}

void TBitmap::Assign(const QImage& image) {
    image_ = image.convertToFormat(QImage::Format_BGR888);
    Changed();
}

uint8_t* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= image_.height())
        throw std::out_of_range("TBitmap::ScanLine: row " + std::to_string(y));
    return image_.scanLine(y);
}

const uint8_t* TBitmap::ScanLine(int y) const {
    if (y < 0 || y >= image_.height())
        throw std::out_of_range("TBitmap::ScanLine: row " + std::to_string(y));
    return image_.constScanLine(y);
}

void TBitmap::Changed() {
    Raise(OnChange);
}

}  // namespace velmora::ui
