#pragma once
// In-memory stand-ins for the services the run calls, for tests and benchmarks: they answer from
// tables set up beforehand and record every call.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "run/run_services.h"

namespace fw {

// A scripted answer of a retriever or computation.
struct FakeReply {
  std::string RetrievalText;
  std::string Error;
  int16_t DateFieldIndex = 1;
  int16_t ValueFieldIndex = 2;
};

// Answers every retriever and computation call from `replies` by station id, else with
// `otherwise`; records each call as "method station-id".
class FakeSources : public Retrievers, public Computations {
 public:
  std::map<std::string, FakeReply> replies;
  FakeReply otherwise;
  std::vector<std::string> calls;
  std::vector<SourceCall> received;  // the calls as they came in (kept only while keepCalls)
  bool keepCalls = true;
  // Runs before each reply (to move a test clock, to throw, ...).
  std::function<void(Session&, SourceCall&)> onCall;

  void GetCanada(Session& s, SourceCall& c) override { reply("GetCanada", s, c); }
  void GetWxStation(Session& s, SourceCall& c) override { reply("GetWxStation", s, c); }
  void GetWxDaily(Session& s, SourceCall& c) override { reply("GetWxDaily", s, c); }
  void GetUSGS(Session& s, SourceCall& c) override { reply("GetUSGS", s, c); }
  void GetCDEC(Session& s, SourceCall& c) override { reply("GetCDEC", s, c); }
  void GetSNOTEL(Session& s, SourceCall& c) override { reply("GetSNOTEL", s, c); }
  void GetHydromet(Session& s, SourceCall& c) override { reply("GetHydromet", s, c); }
  void GetCOE(Session& s, SourceCall& c) override { reply("GetCOE", s, c); }
  void GetCIMIS(Session& s, SourceCall& c) override { reply("GetCIMIS", s, c); }
  void GetAFWS(Session& s, SourceCall& c) override { reply("GetAFWS", s, c); }
  void GetKiWIS(Session& s, SourceCall& c) override { reply("GetKiWIS", s, c); }
  void Spotwx(Session& s, SourceCall& c) override { reply("Spotwx", s, c); }
  void GetMadis(Session& s, SourceCall& c) override { reply("GetMadis", s, c); }
  void GetNWSForecast(Session& s, SourceCall& c) override { reply("GetNWSForecast", s, c); }
  void GetNWPSForecast(Session& s, SourceCall& c) override { reply("GetNWPSForecast", s, c); }
  void Snowcast(Session& s, SourceCall& c) override { reply("Snowcast", s, c); }
  void hdbrouting(Session& s, SourceCall& c) override { reply("hdbrouting", s, c); }
  void hdbcompute(Session& s, SourceCall& c) override { reply("hdbcompute", s, c); }
  void computefromtextfile(Session& s, SourceCall& c) override { reply("computefromtextfile", s, c); }
  void Lookup(Session& s, SourceCall& c) override { reply("Lookup", s, c); }
  void getrunoffinput(Session& s, SourceCall& c) override { reply("getrunoffinput", s, c); }
  void Snowcalc(Session& s, SourceCall& c) override { reply("Snowcalc", s, c); }

 private:
  void reply(const char* method, Session& s, SourceCall& c);
};

// An internet session that can be refused.
class FakeInternet : public InternetSession {
 public:
  bool refuse = false;
  bool failOnClose = false;  // close() raises an error
  int opens = 0;
  int closes = 0;
  bool open(const std::string& agent) override;
  void close() override;
};

// A tray that shows its icon and keeps the tips it was given.
class FakeTray : public TrayIcon {
 public:
  std::vector<std::string> tips;
  bool add(const std::string& tip) override {
    tips.push_back(tip);
    return true;
  }
  void modify(const std::string& tip) override { tips.push_back(tip); }
  int removes = 0;
  void remove() override { ++removes; }
};

// A radar window that is shown until the run hides it.
class FakeRadarWindow : public RadarWindow {
 public:
  bool visible = true;
  int hides = 0;
  bool isVisible() const override { return visible; }
  void hide() override {
    visible = false;
    ++hides;
  }
  int lastImageShows = 0;
  bool showLastImage() override {
    ++lastImageShows;
    return true;
  }
};

// Installs one FakeSources as both the retrievers and the computations of the services.
std::shared_ptr<FakeSources> installFakeSources(RunServices& services);

}  // namespace fw
