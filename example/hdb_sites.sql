-- The example's sites, in SQL that SQLite and PostgreSQL both take. Applied at every example run,
-- so a database kept from an earlier run follows the checkout: the example's rows are deleted and
-- inserted again in one transaction. The run script points the KiWIS server text (column source)
-- at the local service, as it does the setup file's server keys.
--   SQLite:     sqlite3 Flumewright_HDB.db < example/hdb_sites.sql
--   PostgreSQL: psql -X -v ON_ERROR_STOP=1 -d "host=... dbname=hdb user=..." -f example/hdb_sites.sql
BEGIN;
DELETE FROM rsite WHERE datatype_site_id IN (1101, 1102, 1103, 1104, 1105, 23106, 7107, 2108, 2109, 10110);
INSERT INTO rsite (site_id, datatype_site_id, site_name, datatype_id, datatype_name, unit,
                   unit_name, parameter_code, source, state, hour_shift)
VALUES ('101', 1101, 'Colorado R at Lees Ferry', 1, 'Flow', 'cfs', 'cubic feet per second', '60,65', NULL, 'AZ', 0),
       ('102', 1102, 'Feather R at Oroville', 1, 'Flow', 'cfs', 'cubic feet per second', '20', NULL, 'CA', 0),
       ('103', 1103, 'Falls R nr Squirrel', 1, 'Flow', 'cfs', 'cubic feet per second', 'Q', NULL, 'ID', 0),
       ('104', 1104, 'Davis Dam', 1, 'Release', 'cfs', 'cubic feet per second', 'Release', 'Davis Dam', 'AZ', 0),
       ('105', 1105, 'Fraser R at Hope', 1, 'Flow', 'cms', 'cubic metres per second', '47', NULL, 'BC', 0),
       ('106', 23106, 'Snowslide Canyon', 23, 'SWE', 'in', 'inches', 'WTEQ', '927', 'AZ', 0),
       ('107', 7107, 'Davis', 7, 'Air Temp', 'F', 'degrees Fahrenheit', '16', 'CIMIS', 'CA', 0),
       ('108', 2108, 'Markland', 2, 'Stage', 'ft', 'feet', 'Stage', 'COE-MKLK2', 'KY', 0),
       ('109', 2109, 'Kiwis River', 2, 'Stage', 'm', 'metres', '12345042', 'http://127.0.0.1:8080', 'CO', 0),
       ('110', 10110, 'Abc Creek', 10, 'Rain', 'in', 'inches', 'PP', 'AFWS', 'TX', 0);
COMMIT;
