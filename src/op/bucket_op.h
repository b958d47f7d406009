// Bucket-level operations; the installer uses none yet.
#pragma once

#include "op/base_op.h"

namespace objstore {

class BucketOp : public BaseOp {
  public:
    using BaseOp::BaseOp;
};

}  // namespace objstore
