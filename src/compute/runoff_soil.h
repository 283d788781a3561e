#pragma once
// The soil of a runoff station as the loss step works on it: the station's parameters, the
// constants of its step length, the state carried from step to step and the values of one step.
// Depths are in inches, flows in cfs, times in hours.
#include <cstdint>

namespace fw::compute {

struct SoilParameters {
  double constantLoss = 0;                   // inches per hour (element 2)
  double imperviousFraction = 0;             // element 3 ÷ 100
  double soilRecovery = 0;                   // element 6
  double soilLoss = 0;                       // element 13
  double groundwaterLoss = 0;                // element 14
  double groundwaterRecoveryAdjustment = 0;  // element 15
  double interception = 0;                   // element 18, inches per inch of storage
  double connectedFraction = 0;              // element 19
  double groundwaterLag = 0;                 // hours (element 20)
  bool winterInterception = false;           // element 22
  double snowmeltLoss = 0.7;                 // element 23
  double area = 0;                           // square miles (element 4)
  double initialAbstraction = 0.2;           // element 21
  // The storage limits: S1 (curve number) or the initial loss (initial loss) runs from wet to dry.
  double S1wet = 0, S1dry = 0;
  double ILwet = 0, ILdry = 0;
  double storageRange = 1;  // dry − wet, 1 when that is 0
};

// Derived once per station and again whenever the minutes between values change.
struct SoilConstants {
  double stepHours = 0;
  double stepConstantLoss = 0;  // inches per step
  double stepRecovery = 0;      // inches per step
  double groundwaterDecay = 1;
  double groundwaterShare = 0;  // (1 − groundwater loss) × soil loss factor
  double soilFlowScale = 0;     // cfs
  double stepFlowFactor = 0;    // cfs of one inch of excess per step
  double connectedShare = 0;    // impervious and directly connected
  double unconnectedShare = 0;  // impervious, draining to pervious ground
  double perviousShare = 0;
  int32_t groundwaterLagSteps = 0;
  bool groundwaterLagOn = false;  // the groundwater lag rounds to at least an hour
  double gwC1 = 0, gwC2 = 0;  // groundwater lag routing
};

SoilConstants soilConstants(const SoilParameters& p, double stepMinutes);

struct SoilState {
  double InitialLoss = 0;  // initial-loss storage space, ILwet .. ILdry
  double S1 = 0;           // curve-number retention, S1wet .. S1dry
  double Ia = 0;           // InitialAbstraction × S1
  double RetentionRest = 0;  // (1 − InitialAbstraction) × S1
  double RainSum = 0;
  double CumulativeRunoff = 0;
  double InterceptionDeficit = 0;
  double GroundwaterFlow = 0;    // before the groundwater lag, cfs
  double GroundwaterRouted = 0;  // after it, cfs
  double LagRainSum = 0;
};

// What one step brings besides its rain.
struct StepInput {
  double rainfall = 0;       // inches in the step, after the input conversions
  double stepET = 0;         // inches in the step
  double etCoefficient = 0;  // the month's ET coefficient
  int month = 1;
  double sourceCode = 0;     // of the rain value: 100 snowmelt, above 100 a partly frozen ground
  int64_t lineCounter = 0;   // value lines of the station so far
  bool variableLag = false;
  // A one-time adjustment of the storage (inches), applied when pending and due.
  double adjustment = 0;
  bool adjustmentDue = false;
};

struct StepValues {
  double Soil_RecoveryF = 0;
  double DrySoilRecovery = 0;
  double EtRecovery = 0;
  double Loss = 0;  // CNloss, or the initial-loss step's loss
  double Excess = 0;
  double Retained = 0;
  double GroundwaterRecharge = 0;
  double SoilFlowCFS = 0;
  double GWFlowCFS = 0;
  bool adjustmentApplied = false;
  bool lagBack = false;  // initial loss, variable lag: the soil is dry again, the lag returns
};

}  // namespace fw::compute
