#pragma once
// Retriever state that lives as long as the program (Session inherits it).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "retrieval/et_site_text.h"

namespace fw {

struct RetrievalState {
  // The gauge web service gave an unusable reply once: real-time gauge requests go to the
  // legacy unit-values page until the program ends.
  bool UsgsLegacyServer = false;
  // "USGS Service=": false for "NWIS" (the RDB services), true for "Water Data" (the Water Data
  // API's continuous collection). "USGS API Key=" is sent as a request header only.
  bool UsgsWaterData = false;
  bool UsgsServiceGiven = false;
  std::string UsgsApiKey;
  // The legacy gauge service answered that it is gone: said once in a run's error log.
  bool UsgsGoneNoted = false;
  // The "<Service> Server=" values the setup file gave, by service name (src/retrieval/
  // service_servers.h); a service without one uses its public host.
  std::map<std::string, std::string> ServerSettings;
  // "Download Time Limit=" (seconds) and "Download Size Limit=" (megabytes) as the setup file gave
  // them; 0 when it gave none (the defaults of downloadLimits then hold).
  double DownloadTimeLimitSeconds = 0;
  double DownloadSizeLimitMegabytes = 0;
  // "Parallel Downloads=": how many downloads go side by side (the line's own and those fetched
  // ahead for the lines after it); 1 fetches one after another. 0 when the file gave none.
  int32_t ParallelDownloadsSetting = 0;
  int parallelDownloads() const { return ParallelDownloadsSetting > 0 ? ParallelDownloadsSetting : 8; }
  // The Synoptic service's token, taken from the first Synoptic line's base1; only a token too
  // short to be one clears it.
  std::string SynopticToken;
  // The temperature-range reduction of estimated solar radiation, for one station's day: the
  // hourly ET asks the database for a day's 06:00 and 15:00 temperatures once.
  struct EtDay {
    std::string dsid;
    int32_t day = 0;  // whole day number; 0 = nothing held
    float reduction = 0;
  } EtDayCache;
  // The MADIS history has been copied aside once in this program's life, before its first merge.
  bool MadisBackupTaken = false;
  // A history-mode MADIS collection keeps its hours in this work file ("MyUpdateMadis.txt"), which
  // the MADIS station lines then read; empty in real-time mode.
  std::string MadisHistoryModePath;
  // The answer to "insert this history hour into the history?": asked once in the program's life
  // (0 not asked yet, else MsgResult::Yes or No).
  int MadisInsertAnswer = 0;
  // How long the unpacker and the surface dump may run before they are stopped.
  int MadisUnzipLimitMs = 2 * 60 * 1000;
  int MadisDumpLimitMs = 10 * 60 * 1000;
  // The hourly reference ET of one weather row, for the ET lines of the retrievers that read a
  // service's weather rows; installed with the web retrievers, empty in tests that give none (the
  // lines then end with kEtNotAvailable).
  EtHourlyFn EToHourly;
  // The storm distribution of 6-hour forecast rain: QpfTable[type][step], storm types 1..N,
  // 5-minute steps 1..80; loaded once, on the first call that needs it.
  bool QpfTableLoaded = false;
  std::vector<std::vector<double>> QpfTable;
  // The weather-model forecasts are not fetched again before their next cycle: A for the
  // half-hourly models, B for the others.
  double NextCycleA = 0;
  double NextCycleB = 0;
  // A snow-model page was fetched successfully: scheduled runs fetch again only at set hours.
  bool SnowModelFetched = false;
};

}  // namespace fw
