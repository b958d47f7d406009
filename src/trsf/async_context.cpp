#include "trsf/async_context.h"

#include <utility>

#include "trsf/transfer_handler.h"

namespace objstore {

AsyncContext::AsyncContext(std::shared_ptr<TransferHandler> handler)
    : m_handler(std::move(handler)) {}

void AsyncContext::WaitUntilFinished() {
    m_handler->WaitUntilFinished();
}

CosResult AsyncContext::GetResult() const {
    return m_handler->GetResult();
}

void AsyncContext::Cancel() {
    m_handler->Cancel();
}

}  // namespace objstore
