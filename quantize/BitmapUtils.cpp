#include "quantize/BitmapUtils.h"

#include "base/KelpError.h"

#include <algorithm>
#include <cstring>

namespace kelp {

void CheckFilterSource(const TNkDIB &bitmap)
{
    // The misspelling is the text users and scripts already know.
    if (bitmap.BitCount() != 24)
        throw KelpError("BitmapFiletr accepts only 24Bit DIB");
}

TFilterWindow::TFilterWindow(const TNkDIB &source)
    : source_(source), rowBytes_((static_cast<std::size_t>(source.Width()) + 2 * FilterRadius) * 3),
      storage_(rowBytes_ * FilterRows)
{
    for (int k = 0; k < FilterRows; ++k) {
        slots_[static_cast<std::size_t>(k)] = storage_.data() + rowBytes_ * static_cast<std::size_t>(k);
        Load(slots_[static_cast<std::size_t>(k)], k - FilterRadius);
    }
}

void TFilterWindow::Load(std::uint8_t *slot, int row)
{
    std::memset(slot, 0, rowBytes_);
    if (row >= 0 && row < source_.Height())
        std::memcpy(slot + FilterCentre, source_.ScanLine(row), static_cast<std::size_t>(source_.Width()) * 3);
}

void TFilterWindow::Slide(int enteringRow)
{
    std::uint8_t *recycled = slots_[0];
    std::rotate(slots_.begin(), slots_.begin() + 1, slots_.end());
    Load(recycled, enteringRow);
    slots_[FilterRows - 1] = recycled;
}

TNkDIB BitmapFilter(const TNkDIB &bitmap, TBitmapFilterProc proc, void *data)
{
    return BitmapFilter<TBitmapFilterProc>(bitmap, std::move(proc), data);
}

} // namespace kelp
