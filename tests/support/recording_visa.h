#pragma once
// A visa::Library double that records every call with its bytes and counts, lists the
// resources a test scripts for each search expression, and answers reads from a responder.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "visa/library.h"

namespace testsupport {

struct VisaCall {
  std::string function;  // "viWrite", "viRead", "viOpen", ...
  ViObject object = 0;   // session, resource manager or find list
  std::string text;      // bytes written, resource name, expression, ...
  ViUInt32 count = 0;    // byte count of viWrite / maximum count of viRead
  ViAttr attribute = 0;
  ViAttrState value = 0;  // attribute value, REN mode, status of viStatusDesc
  ViStatus result = VI_SUCCESS;
};

struct Reply {
  std::string data;
  std::optional<ViStatus> status;  // when set, returned as is (count still honoured)
};

class RecordingVisa : public visa::Library {
 public:
  // What a read on an instrument of this resource name answers, given the last message written
  // to it. Return nullopt for "nothing to read" (the read times out with VI_ERROR_TMO).
  using Responder = std::function<std::optional<Reply>(const std::string& lastWrite)>;

  struct Resource {
    Responder responder;
    ViStatus openStatus = VI_SUCCESS;
    ViStatus setAttributeStatus = VI_SUCCESS;
  };

  std::vector<VisaCall> calls;
  std::map<std::string, std::vector<std::string>> findResults;  // expression -> names
  std::map<std::string, Resource> resources;                    // resource name -> behaviour
  ViStatus openDefaultRMStatus = VI_SUCCESS;

  // An instrument that answers "*IDN?" (with or without line feed, any case) with `idn`.
  void addInstrument(const std::string& name, const std::string& idn) {
    resources[name].responder = [idn](const std::string& last) -> std::optional<Reply> {
      std::string upper;
      for (char c : last) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (upper.rfind("*IDN?", 0) == 0) return Reply{idn + "\n", std::nullopt};
      return std::nullopt;
    };
  }

  // Calls of one function, in order.
  std::vector<VisaCall> callsOf(const std::string& function) const {
    std::vector<VisaCall> out;
    for (const auto& c : calls)
      if (c.function == function) out.push_back(c);
    return out;
  }
  // Names of all calls, in order (for order assertions).
  std::vector<std::string> callNames() const {
    std::vector<std::string> out;
    for (const auto& c : calls) out.push_back(c.function);
    return out;
  }
  // The resource name that a session was opened for ("" when unknown).
  std::string nameOf(ViSession s) const {
    auto it = sessions_.find(s);
    return it == sessions_.end() ? std::string() : it->second.name;
  }
  // The session of the last open of `name` (0 when never opened).
  ViSession sessionOf(const std::string& name) const {
    ViSession found = 0;
    for (const auto& [s, st] : sessions_)
      if (st.name == name) found = s;
    return found;
  }

  ViStatus viOpenDefaultRM(ViSession* rm) override {
    *rm = openDefaultRMStatus == VI_SUCCESS ? nextRm_++ : 0;
    return record({"viOpenDefaultRM", *rm, "", 0, 0, 0, openDefaultRMStatus});
  }

  ViStatus viFindRsrc(ViSession rm, const char* expr, ViFindList* list, ViUInt32* count,
                      char* first) override {
    auto it = findResults.find(expr);
    if (it == findResults.end() || it->second.empty()) {
      if (count) *count = 0;
      return record({"viFindRsrc", rm, expr, 0, 0, 0, VI_ERROR_RSRC_NFOUND});
    }
    const ViFindList id = nextFind_++;
    finds_[id] = {it->second, 1};
    *list = id;
    *count = static_cast<ViUInt32>(it->second.size());
    copyOut(first, it->second[0]);
    return record({"viFindRsrc", rm, expr, *count, 0, 0, VI_SUCCESS});
  }

  ViStatus viFindNext(ViFindList list, char* desc) override {
    auto it = finds_.find(list);
    if (it == finds_.end()) return record({"viFindNext", list, "", 0, 0, 0, VI_ERROR_INV_OBJECT});
    auto& f = it->second;
    if (f.next >= f.names.size())
      return record({"viFindNext", list, "", 0, 0, 0, VI_ERROR_RSRC_NFOUND});
    copyOut(desc, f.names[f.next++]);
    return record({"viFindNext", list, desc, 0, 0, 0, VI_SUCCESS});
  }

  ViStatus viOpen(ViSession rm, const char* name, ViAccessMode mode, ViUInt32 timeout,
                  ViSession* session) override {
    auto it = resources.find(name);
    ViStatus st = it == resources.end() ? VI_ERROR_RSRC_NFOUND : it->second.openStatus;
    *session = 0;
    if (st == VI_SUCCESS) {
      *session = nextSession_++;
      sessions_[*session] = {name, {}, {}};
    }
    return record({"viOpen", rm, name, mode, 0, timeout, st});
  }

  ViStatus viSetAttribute(ViObject vi, ViAttr attr, ViAttrState value) override {
    ViStatus st = VI_SUCCESS;
    auto s = sessions_.find(vi);
    if (s != sessions_.end()) {
      auto r = resources.find(s->second.name);
      if (r != resources.end()) st = r->second.setAttributeStatus;
    }
    return record({"viSetAttribute", vi, "", 0, attr, value, st});
  }

  ViStatus viGetAttribute(ViObject vi, ViAttr attr, void* value) override {
    if (attr == VI_ATTR_TMO_VALUE && value) *static_cast<ViUInt32*>(value) = 2000;
    return record({"viGetAttribute", vi, "", 0, attr, 0, VI_SUCCESS});
  }

  ViStatus viWrite(ViSession vi, const ViByte* buf, ViUInt32 count, ViUInt32* written) override {
    std::string bytes(reinterpret_cast<const char*>(buf), count);
    if (written) *written = count;
    auto s = sessions_.find(vi);
    if (s == sessions_.end())
      return record({"viWrite", vi, bytes, count, 0, 0, VI_ERROR_INV_OBJECT});
    s->second.lastWrite = bytes;
    s->second.pending.clear();
    auto r = resources.find(s->second.name);
    if (r != resources.end() && r->second.responder) {
      if (auto reply = r->second.responder(bytes)) s->second.pending.push_back(*reply);
    }
    return record({"viWrite", vi, bytes, count, 0, 0, VI_SUCCESS});
  }

  ViStatus viRead(ViSession vi, ViByte* buf, ViUInt32 count, ViUInt32* read) override {
    if (read) *read = 0;
    auto s = sessions_.find(vi);
    if (s == sessions_.end()) return record({"viRead", vi, "", count, 0, 0, VI_ERROR_INV_OBJECT});
    auto& pending = s->second.pending;
    if (pending.empty()) return record({"viRead", vi, "", count, 0, 0, VI_ERROR_TMO});
    Reply& reply = pending.front();
    const ViUInt32 n = std::min<ViUInt32>(count, static_cast<ViUInt32>(reply.data.size()));
    std::memcpy(buf, reply.data.data(), n);
    if (read) *read = n;
    std::string got = reply.data.substr(0, n);
    ViStatus st;
    if (reply.status) {
      st = *reply.status;
      pending.pop_front();
    } else if (n < reply.data.size()) {
      st = VI_SUCCESS_MAX_CNT;
      reply.data.erase(0, n);
    } else {
      st = VI_SUCCESS;
      pending.pop_front();
    }
    return record({"viRead", vi, got, count, 0, 0, st});
  }

  ViStatus viClear(ViSession vi) override {
    auto s = sessions_.find(vi);
    if (s != sessions_.end()) s->second.pending.clear();
    return record(
        {"viClear", vi, "", 0, 0, 0, s == sessions_.end() ? VI_ERROR_INV_OBJECT : VI_SUCCESS});
  }

  ViStatus viStatusDesc(ViObject vi, ViStatus status, char* desc) override {
    copyOut(desc, status == VI_ERROR_TMO ? "Timeout expired before operation completed."
                                         : "status " + std::to_string(status));
    return record({"viStatusDesc", vi, "", 0, 0, static_cast<ViAttrState>(status), VI_SUCCESS});
  }

  ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode) override {
    return record({"viGpibControlREN", vi, "", 0, 0, mode, VI_SUCCESS});
  }

  ViStatus viClose(ViObject vi) override {
    sessions_.erase(vi);
    finds_.erase(vi);
    return record({"viClose", vi, "", 0, 0, 0, VI_SUCCESS});
  }

 private:
  struct SessionState {
    std::string name;
    std::string lastWrite;
    std::deque<Reply> pending;
  };
  struct Find {
    std::vector<std::string> names;
    size_t next = 0;
  };

  ViStatus record(VisaCall c) {
    calls.push_back(c);
    return c.result;
  }
  static void copyOut(char* dst, const std::string& s) {
    if (!dst) return;
    const size_t n = std::min<size_t>(s.size(), VI_FIND_BUFLEN - 1);
    std::memcpy(dst, s.data(), n);
    dst[n] = 0;
  }

  ViSession nextRm_ = 1;
  ViFindList nextFind_ = 50;
  ViSession nextSession_ = 100;
  std::map<ViSession, SessionState> sessions_;
  std::map<ViFindList, Find> finds_;
};

}  // namespace testsupport
