-- Indexes for the lookups made on every contact: county lists by state, DXCC numbers by country name,
-- the prefix walk and the roster numbers by call sign.
CREATE INDEX county_state ON county (state);
CREATE INDEX country_name ON country (name);
CREATE INDEX country_prefix ON country (prefix);
CREATE INDEX prefix_old ON prefix (old);
CREATE INDEX tenten_callsign ON tenten (callsign);
CREATE INDEX epc_callsign ON epc (callsign);
CREATE INDEX p070_callsign ON p070 (callsign);
