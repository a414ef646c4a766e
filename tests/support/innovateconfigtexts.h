#pragma once
// A small set of Innovate configuration files in which every rule of the
// data handler shows, for the tests and the fuzz targets.

namespace InnovateConfigTexts {

// LAMBDA (AFR, 0..200), VOLT (V, code 11, 0..5), TEMP (degC, code 0,
// -40..150); a NOPE function nobody defines.
const char *const SensorDefs = R"(<?xml version="1.0"?>
<Defs>
 <Configuration><n>LAMBDA</n><u>AFR</u><min>0</min><max>200</max></Configuration>
 <Configuration><n>VOLT</n><u num="11">V</u><min>0</min><max>5</max></Configuration>
 <Configuration><n>TEMP</n><u num="0">degC</u><min>-40</min><max>150</max></Configuration>
</Defs>
)";

// WB01: one lambda channel; AN02: two analog channels; BAD1: a channel
// whose default function has no sensor definition.
const char *const DeviceDefs = R"(<?xml version="1.0"?>
<Devs>
 <dev type="WB01" description="wideband"><c defaultFunc="LAMBDA"><function name="LAMBDA"/></c></dev>
 <dev type="AN02" description="analog">
  <c defaultFunc="VOLT"><function name="VOLT"/><function name="TEMP"/></c>
  <c defaultFunc="VOLT"><function name="VOLT"/><function name="TEMP"/></c>
 </dev>
 <dev type="BAD1" description="broken"><c defaultFunc="NOPE"/></dev>
</Devs>
)";

// W: the lambda; A: volts, the second input without a unit; T: degF,
// degC and a third input no packet has a channel for.
const char *const InputConfigs = R"(<?xml version="1.0"?>
<InputConfigs>
 <InputConfig SensorPrefix="W" devType="WB01">
  <input><number>1</number><config>LAMBDA</config></input>
 </InputConfig>
 <InputConfig SensorPrefix="A" devType="AN02">
  <input><number>1</number><config unitNum="11">VOLT</config></input>
  <input><number>2</number><config>VOLT</config></input>
 </InputConfig>
 <InputConfig SensorPrefix="T" devType="AN02">
  <input><number>1</number><config unitNum="1">TEMP</config></input>
  <input><number>2</number><config unitNum="0">TEMP</config></input>
  <input><number>3</number><config unitNum="0">TEMP</config></input>
 </InputConfig>
</InputConfigs>
)";

} // namespace InnovateConfigTexts
