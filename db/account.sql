-- The account the client signs in to the server with (its password is built
-- into the client). It needs every privilege: the test suite also creates and
-- drops databases and kills connections.
CREATE USER IF NOT EXISTS 'admin'@'127.0.0.1' IDENTIFIED BY 'Brindle5830';
CREATE USER IF NOT EXISTS 'admin'@'localhost' IDENTIFIED BY 'Brindle5830';
GRANT ALL PRIVILEGES ON *.* TO 'admin'@'127.0.0.1' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON *.* TO 'admin'@'localhost' WITH GRANT OPTION;
