-- The account the client signs in to the server with (its password is built
-- into the client). It gets only what the client uses: reading, adding and
-- changing rows of the central database here (it deletes only reply templates
-- there),
-- and reading and changing rows of each university database through
-- scripts/db (or the README's production steps); creating the examination-
-- centre report's work table in the installation's own university database.
-- No DROP anywhere: the imports empty their staging tables with delete.
-- Nothing global and no grant option: whoever learns the built-in password
-- can do no more than the client does. Set-up runs as the server's root.
CREATE USER IF NOT EXISTS 'admin'@'127.0.0.1' IDENTIFIED BY 'Brindle5830';
CREATE USER IF NOT EXISTS 'admin'@'localhost' IDENTIFIED BY 'Brindle5830';
-- Servers set up before this file narrowed the account gave it everything,
-- later ones DROP on every university database and DELETE here: all of it
-- is taken back (on every level) before the grants below.
REVOKE ALL PRIVILEGES, GRANT OPTION FROM 'admin'@'127.0.0.1';
REVOKE ALL PRIVILEGES, GRANT OPTION FROM 'admin'@'localhost';
GRANT SELECT, INSERT, UPDATE ON `corvane3_tkt`.* TO 'admin'@'127.0.0.1';
GRANT SELECT, INSERT, UPDATE ON `corvane3_tkt`.* TO 'admin'@'localhost';
-- The administrator's Reply Templates screen deletes templates.
GRANT DELETE ON `corvane3_tkt`.`masreply` TO 'admin'@'127.0.0.1';
GRANT DELETE ON `corvane3_tkt`.`masreply` TO 'admin'@'localhost';
GRANT CREATE ON `corvane3_tsc`.* TO 'admin'@'127.0.0.1';
GRANT CREATE ON `corvane3_tsc`.* TO 'admin'@'localhost';
