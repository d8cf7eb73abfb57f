#pragma once

#include "TClusterClient.h"

class TSettings;

// The cluster's settings as the client and the band map take them.
struct TClusterSettings
{
    TClusterLogin login;    // host empty: no cluster
    bool autoStart = false; // connect when the program starts
    int spotAgeMinutes = 30;
};

// Reads ClusterHost, ClusterPort (default 7300), ClusterCommands (";" between commands), ClusterAutoStart
// and ClusterSpotAge (minutes, default 30, at least 1); the login's call sign is the station's.
TClusterSettings ReadClusterSettings(const TSettings& settings, const QString& stationCall);
