// One import of the meter's stored log, step by step: identify the meter, read
// the header block, read the blocks one at a time, decode. The recorder's Import
// and dmmlog import both drive it; each is its front end and shows what the
// session tells it. Every way an import ends goes through Finish, which gives the
// line back, ends the transfer and tells the front end, always in the same order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "logger/import/memorylog.h"
#include "logger/import/memorytransfer.h"
#include "meterlink/meterlink.h"
#include "meterlink/protocol.h"

namespace dmm {

// How an import ended.
enum class ImportEnd {
    Imported,        // the log is decoded and kept
    NoAnswer,        // the meter did not answer the identify query
    NoLogging,       // a meter kind without built-in logging
    Declined,        // No or Cancel to a question
    HeaderMissing,   // a header byte did not arrive
    HeaderRefused,   // the header describes no log the memory can hold
    BlockMissing,    // a block byte did not arrive
    Aborted,         // Abort in the progress window, or a stop request
    NothingDecoded,  // no stored record could be decoded
    NotKept,         // the front end could not keep what was read (it said why)
};

// A message by string numbers: the caption format, the text, a second line (0 for
// none) and the detail.
struct ImportMessage {
    int captionFormat = 0;
    int textNumber = 0;
    int secondTextNumber = 0;
    std::string detail;
};

// What a front end does for the session.
class ImportFrontEnd {
public:
    virtual ~ImportFrontEnd() = default;
    // Shows how the import ended.
    virtual void Tell(const ImportMessage& message) = 0;
    // Once the transfer had begun: the progress display and the wait cursor go.
    virtual void CloseProgress() = 0;
    // Once the transfer had begun, after the line is back and the transfer flag is
    // cleared: Imported keeps the log, any other end leaves nothing of it.
    virtual void TransferEnded(ImportEnd end) = 0;
};

class ImportSession {
public:
    // An import over the line borrowed from link.
    ImportSession(MeterLink& link, ImportFrontEnd& frontEnd);
    // An import of a saved stream image: LoadImage takes the place of Identify,
    // ReadHeader and the blocks.
    explicit ImportSession(ImportFrontEnd& frontEnd);

    ImportSession(const ImportSession&) = delete;
    ImportSession& operator=(const ImportSession&) = delete;

    // Borrows the line and asks the meter for its kind, serving an event loop meanwhile
    // as ByteHooks::serve does. False once ended: NoAnswer (no loan, or no answer) or
    // NoLogging.
    bool Identify(const std::function<void()>& serve = {});
    bool Answered() const { return answered_; }
    MeterKind Kind() const { return kind_; }

    // The transfer begins: the link's transfer flag is set. From here on every end
    // closes the front end's progress and ends the transfer.
    void Begin();
    bool Begun() const { return begun_; }

    // Sends "N" and reads the header block. False once ended: HeaderMissing,
    // HeaderRefused or Aborted.
    bool ReadHeader(const ByteHooks& hooks);
    // Takes a saved stream image in place of the line. False once ended: HeaderRefused.
    bool LoadImage(std::vector<std::uint8_t> image);
    const MemoryHeader& Header() const { return header_; }

    // Reads the next block of the log. False once ended: BlockMissing or Aborted. The
    // line goes back to its owner after the last block.
    bool ReadNextBlock(const ByteHooks& hooks);
    std::size_t BlocksRead() const;
    std::size_t BlockCount() const;
    bool AllBlocksRead() const { return BlocksRead() == BlockCount(); }
    // The stream as the meter sent it, until Unpack.
    const std::vector<std::uint8_t>& Stream() const;

    // Takes the stored records out of the stream, which then goes.
    void Unpack();
    // Decodes the stored records (unpacked first when they are not yet); beforeRecord
    // is asked before each one, false aborts. False once ended: Aborted or
    // NothingDecoded.
    bool Decode(const std::function<bool(std::size_t)>& beforeRecord = {});
    DecodedLog& Log() { return log_; }
    const DecodedLog& Log() const { return log_; }

    // Ends the import; only the first end counts. In this order: a message that
    // belongs over the progress is told, the progress closes, the line goes back,
    // the transfer flag is cleared and the front end ends its transfer, and any other
    // message is told.
    void Finish(ImportEnd end);
    bool Finished() const { return end_.has_value(); }
    std::optional<ImportEnd> End() const { return end_; }

private:
    // A failed header or block read: Abort, a refused log, or missing bytes (missing).
    bool EndAfterTransferFailure(const Status& failed, ImportEnd missing);
    MeterLink* link_ = nullptr;
    ImportFrontEnd& frontEnd_;
    MeterLink::Loan loan_;
    bool answered_ = false;
    MeterKind kind_ = MeterKind::KindNone;
    bool begun_ = false;
    std::optional<MemoryTransfer> transfer_;
    std::vector<std::uint8_t> image_;
    MemoryHeader header_;
    std::vector<StoredRecord> stored_;
    std::size_t storedCount_ = 0;
    bool unpacked_ = false;
    DecodedLog log_;
    std::string detail_;  // for the end's message
    std::optional<ImportEnd> end_;
};

}  // namespace dmm
