#include "run/service_fakes.h"

#include "platform/vb/error.h"

namespace fw {

void FakeSources::reply(const char* method, Session& s, SourceCall& c) {
  calls.push_back(std::string(method) + " " + c.StationId);
  if (keepCalls) received.push_back(c);
  if (onCall) onCall(s, c);
  auto it = replies.find(c.StationId);
  const FakeReply& r = it != replies.end() ? it->second : otherwise;
  c.RetrievalText = r.RetrievalText;
  c.Error = r.Error;
  c.DateFieldIndex = r.DateFieldIndex;
  c.ValueFieldIndex = r.ValueFieldIndex;
}

bool FakeInternet::open(const std::string& agent) {
  ++opens;
  if (refuse) return false;
  return InternetSession::open(agent);
}

void FakeInternet::close() {
  ++closes;
  if (failOnClose)
    throw vb::Error(vb::err::InvalidProcedureCall, "The internet session could not be closed.");
  InternetSession::close();
}

std::shared_ptr<FakeSources> installFakeSources(RunServices& services) {
  auto fake = std::make_shared<FakeSources>();
  services.retrievers = fake;
  services.computations = fake;
  return fake;
}

}  // namespace fw
