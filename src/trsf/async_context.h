// What the caller of an asynchronous transfer holds to wait for its end.
#pragma once

#include <memory>

#include "op/cos_result.h"

namespace objstore {

class TransferHandler;

class AsyncContext {
  public:
    explicit AsyncContext(std::shared_ptr<TransferHandler> handler);

    void WaitUntilFinished();
    CosResult GetResult() const;
    void Cancel();

    const std::shared_ptr<TransferHandler>& GetTransferHandler() const { return m_handler; }

  private:
    std::shared_ptr<TransferHandler> m_handler;
};

}  // namespace objstore
