#include "op/slice_sink.h"

#include <Poco/String.h>

#include <algorithm>
#include <cstring>

#include "trsf/transfer_handler.h"

namespace objstore {
namespace {

std::string RangeText(uint64_t first, uint64_t last, uint64_t total) {
    return "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
           std::to_string(total);
}

AnswerVerdict JudgeRange(const HeaderMap& headers, const ObjectIdentity& object, uint64_t offset,
                         uint64_t length, std::string* reason) {
    const std::string expected = RangeText(offset, offset + length - 1, object.length);
    const std::string* text = FindHeader(headers, "Content-Range");
    if (text == nullptr) {
        *reason = "slice answer has no Content-Range, expected " + expected;
        return AnswerVerdict::NotTheData;
    }
    const std::optional<ContentRange> range = ParseContentRange(*text);
    if (!range || !range->satisfied || range->first != offset ||
        range->last != offset + length - 1 || range->total != object.length) {
        *reason = "slice answer has Content-Range \"" + *text + "\", expected " + expected;
        return AnswerVerdict::NotTheData;
    }
    return AnswerVerdict::Data;
}

}  // namespace

AnswerVerdict JudgeAnswerHead(int status, const HeaderMap& headers, const ObjectIdentity& object,
                              uint64_t offset, uint64_t length, bool ranged, std::string* reason) {
    if (status == 412) {
        *reason = "the object changed during the download (412 Precondition Failed)";
        return AnswerVerdict::ObjectChanged;
    }
    if (status != 200 && status != 206) return AnswerVerdict::ErrorPage;

    const std::string* etag = FindHeader(headers, "ETag");
    if (!object.etag.empty() && etag != nullptr && UnquoteEtag(*etag) != object.etag) {
        *reason = "the object changed during the download: ETag " + UnquoteEtag(*etag) +
                  ", expected " + object.etag;
        return AnswerVerdict::ObjectChanged;
    }
    if (status == 206) {
        if (!ranged) {
            *reason = "partial answer to a request for the whole object";
            return AnswerVerdict::NotTheData;
        }
        return JudgeRange(headers, object, offset, length, reason);
    }

    // 200: the whole object, whatever was asked.
    const std::string* lengthText = FindHeader(headers, "Content-Length");
    const std::optional<uint64_t> bodyLength =
        lengthText ? ParseContentLength(*lengthText) : std::nullopt;
    if (bodyLength && *bodyLength != object.length) {
        *reason = "answer holds " + std::to_string(*bodyLength) + " bytes, the object has " +
                  std::to_string(object.length);
        return AnswerVerdict::NotTheData;
    }
    const bool wholeAsked = offset == 0 && length == object.length;
    return ranged && !wholeAsked ? AnswerVerdict::RangesIgnored : AnswerVerdict::Data;
}

SliceSink::SliceSink(const ObjectIdentity& object, uint64_t offset, uint64_t length, bool ranged,
                     Writer writer, std::shared_ptr<TransferHandler> handler)
    : m_object(object),
      m_offset(offset),
      m_length(length),
      m_ranged(ranged),
      m_writer(std::move(writer)),
      m_handler(std::move(handler)) {}

SliceSink::Writer SliceSink::IntoBuffer(char* buffer) {
    return [buffer](uint64_t position, const char* data, size_t count) {
        std::memcpy(buffer + position, data, count);
        return 0;
    };
}

std::ostream* SliceSink::Open(int status, const HeaderMap& headers) {
    m_verdict = JudgeAnswerHead(status, headers, m_object, m_offset, m_length, m_ranged, &m_reason);
    switch (m_verdict) {
        case AnswerVerdict::Data:
        case AnswerVerdict::ErrorPage:
            return &m_stream;
        default:
            return nullptr;  // nothing in this body is wanted
    }
}

bool SliceSink::Satisfied() const {
    if (m_verdict == AnswerVerdict::ErrorPage) return m_errorBody.size() >= kMaxErrorBodyBytes;
    return m_verdict == AnswerVerdict::Data && m_kept == m_length;
}

AnswerVerdict SliceSink::Verdict() const {
    if (m_verdict == AnswerVerdict::Data && m_kept < m_length) return AnswerVerdict::NotTheData;
    return m_verdict;
}

std::string SliceSink::Reason() const {
    if (m_verdict == AnswerVerdict::Data && m_kept < m_length && m_writeError == 0) {
        return "slice answer too short: " + std::to_string(m_kept) + " bytes, expected " +
               std::to_string(m_length);
    }
    return m_reason;
}

void SliceSink::Discard() {
    if (m_handler && m_counted > 0) m_handler->RetractTransferred(m_counted);
    m_counted = 0;
    m_kept = 0;
}

std::streamsize SliceSink::Keep(const char* data, size_t count) {
    if (m_verdict == AnswerVerdict::ErrorPage) {
        const size_t room = kMaxErrorBodyBytes - std::min(kMaxErrorBodyBytes, m_errorBody.size());
        const size_t taken = std::min(room, count);
        m_errorBody.append(data, taken);
        return static_cast<std::streamsize>(taken);
    }
    const size_t taken = static_cast<size_t>(std::min<uint64_t>(m_length - m_kept, count));
    if (taken > 0) {
        m_writeError = m_writer(m_kept, data, taken);
        if (m_writeError != 0) return 0;
    }
    m_kept += taken;
    if (m_handler && taken > 0) {
        m_counted += taken;
        m_handler->AddTransferred(taken);
    }
    // A short count fails the stream, which ends the copy: the slice is full.
    return static_cast<std::streamsize>(taken);
}

std::streamsize SliceSink::Buffer::xsputn(const char* data, std::streamsize count) {
    return m_owner.Keep(data, static_cast<size_t>(count));
}

SliceSink::Buffer::int_type SliceSink::Buffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return m_owner.Keep(&byte, 1) == 1 ? c : traits_type::eof();
}

}  // namespace objstore
