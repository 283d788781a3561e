-- The example's sites. Applied at every example run, so a database kept from an earlier run
-- follows the checkout.
INSERT OR REPLACE INTO rsite (site_id, datatype_site_id, site_name, datatype_id, datatype_name, unit,
                              unit_name, parameter_code, state, hour_shift)
VALUES ('101', 1101, 'Colorado R at Lees Ferry', 1, 'Flow', 'cfs', 'cubic feet per second', '60,65', 'AZ', 0);
