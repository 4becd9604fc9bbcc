// The motion controller's records: one per cut-list row, in board order.
#include <algorithm>

#include "report/report.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {

// Each record holds the feed length (the piece plus the kerf that follows it; the
// board's last piece alone) and the four decimal fields AA, BB, CC, DD of the
// piece's tag AABBCCDD. A tag of 0 or below gives four zero fields; field 1 keeps
// every digit above the lower six. The cut list never holds more rows than there
// are records (FinishPieceList folds a longer list), and no record past the table
// is ever written.
void BuildTransferList() {
  const int32_t count = std::min(ws.cut.PieceCount, kMaxTransferRecords);
  for (int32_t i = 0; i < count; ++i)
    ws.cut.TransferList[i] = TransferRecord{};
  for (int32_t i = 0; i < count; ++i) {
    const PieceRow& row = ws.cut.PieceList[i];
    TransferRecord& record = ws.cut.TransferList[i];
    record.feedLength = i < ws.cut.PieceCount - 1 ? ws.settings.KerfWidth + row.length : row.length;
    const int32_t tag = TruncToInt(row.tag);
    if (tag <= 0) continue;
    record.field[0] = static_cast<float>(tag / 1000000);
    record.field[1] = static_cast<float>(tag % 1000000 / 10000);
    record.field[2] = static_cast<float>(tag % 10000 / 100);
    record.field[3] = static_cast<float>(tag % 100);
  }
}

}  // namespace sawline
