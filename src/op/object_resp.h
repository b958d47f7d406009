// Object-level responses with the object type and user metadata views.
#pragma once

#include <map>
#include <string>

#include "op/base_resp.h"

namespace objstore {

// Shared by get and head answers: both read x-cos-object-type and x-cos-meta-*.
class ObjectResp : public BaseResp {
  public:
    void ParseHeaders(const std::map<std::string, std::string>& headers) override;

    const std::string& GetXCosObjectType() const { return m_objectType; }
    const std::map<std::string, std::string>& GetXCosMetas() const { return m_metas; }
    std::string GetXCosMeta(const std::string& name) const;

  private:
    std::string m_objectType;
    std::map<std::string, std::string> m_metas;
};

class GetObjectResp : public ObjectResp {};

class GetObjectByFileResp : public GetObjectResp {};

class HeadObjectResp : public ObjectResp {};

}  // namespace objstore
