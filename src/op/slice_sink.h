// Keeping a slice of an object out of the answer to a ranged GET.
//
// The sink sees the status and headers before any byte of the body and decides
// whether the answer is the slice asked for: a 206 must name exactly the
// slice's range of an object of the expected length; an answer whose ETag is
// not the object's means the object was replaced; a 200 carries the whole
// object, which a slice does not read (the download then fetches the object in
// one piece). Only the slice's bytes are kept, in the slice buffer, and only
// they count as progress; an error page is kept up to a bound for its message.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "util/header_views.h"
#include "util/http_sender.h"

namespace objstore {

class TransferHandler;

// What the length query learned of the object; the slices must match it.
struct ObjectIdentity {
    uint64_t length = 0;
    std::string etag;  // without quotes; "" when the service sent none
};

enum class AnswerVerdict {
    None,           // no answer seen (transport failure)
    Data,           // the bytes asked for, status 200 or 206
    ErrorPage,      // any other status; its body is kept for the message
    NotTheData,     // 200/206 that does not hold what was asked (worth another attempt)
    RangesIgnored,  // 200 with the whole object to a ranged GET
    ObjectChanged,  // another version of the object (ETag or 412): never retried
};

// The verdict on a head of an answer for bytes [offset, offset + length) of the
// object, with the reason when it is not Data or ErrorPage. A whole-object
// request passes offset 0, the object's length and ranged false.
AnswerVerdict JudgeAnswerHead(int status, const HeaderMap& headers, const ObjectIdentity& object,
                              uint64_t offset, uint64_t length, bool ranged, std::string* reason);

// Error pages are read up to this size; the rest is left unread.
constexpr size_t kMaxErrorBodyBytes = 65536;

// Keeps bytes [offset, offset + length) of the object from an answer: a slice
// of a ranged GET into its buffer, or (offset 0, the object's length, not
// ranged) the whole object into the file.
class SliceSink : public ResponseSink {
  public:
    // Stores count bytes at position (counted from the first byte kept);
    // returns 0 or the errno of a failure.
    using Writer = std::function<int(uint64_t position, const char* data, size_t count)>;

    SliceSink(const ObjectIdentity& object, uint64_t offset, uint64_t length, bool ranged,
              Writer writer, std::shared_ptr<TransferHandler> handler);
    // A slice kept in a buffer of at least length bytes.
    static Writer IntoBuffer(char* buffer);

    std::ostream* Open(int status, const HeaderMap& headers) override;
    bool Satisfied() const override;
    bool CountsOwnProgress() const override { return true; }

    // After the request: Data becomes NotTheData when the body was short.
    AnswerVerdict Verdict() const;
    // Why the answer is not the data asked for ("" for Data and ErrorPage).
    std::string Reason() const;
    const std::string& ErrorBody() const { return m_errorBody; }
    uint64_t Kept() const { return m_kept; }
    // 0, or the errno of the writer's failure (which ends the answer).
    int WriteError() const { return m_writeError; }
    // Takes back the progress counted for the kept bytes (the attempt failed).
    void Discard();

  private:
    class Buffer : public std::streambuf {
      public:
        explicit Buffer(SliceSink& owner) : m_owner(owner) {}

      protected:
        std::streamsize xsputn(const char* data, std::streamsize count) override;
        int_type overflow(int_type c) override;

      private:
        SliceSink& m_owner;
    };

    std::streamsize Keep(const char* data, size_t count);

    const ObjectIdentity m_object;
    const uint64_t m_offset;
    const uint64_t m_length;
    const bool m_ranged;
    const Writer m_writer;
    const std::shared_ptr<TransferHandler> m_handler;
    AnswerVerdict m_verdict = AnswerVerdict::None;
    std::string m_reason;
    std::string m_errorBody;
    uint64_t m_kept = 0;
    uint64_t m_counted = 0;
    int m_writeError = 0;
    Buffer m_streamBuffer{*this};
    std::ostream m_stream{&m_streamBuffer};
};

}  // namespace objstore
