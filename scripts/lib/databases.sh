# Sourced by scripts/db and scripts/cluster: the databases a private server
# holds and how a university database is made. Expects ROOT and a function
# `schema_sql` that runs the mariadb client (its arguments) on the server
# that receives the schema.

CENTRAL_DB=corvane3_tkt
# The installation's own university database first; the others are the
# demo universities of db/demo.sql.
UNIV_DBS=(corvane3_tsc corvane3_mar corvane3_023 corvane3_tnu corvane3_cor)

# Creates the central database's tables and the client's account; the tables
# first, since a right on one table can only be granted once it exists.
create_central() {
    schema_sql <"$ROOT/db/central.sql"
    schema_sql <"$ROOT/db/account.sql"
}

# Creates a university database when missing, its missing tables, and the
# client account's rights on it (db/account.sql has the central ones): rows
# only. DROP, which older set-ups gave for emptying the staging tables, is
# taken back.
create_university() {
    local db=$1 host
    schema_sql -e "CREATE DATABASE IF NOT EXISTS \`$db\` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci"
    schema_sql "$db" <"$ROOT/db/university.sql"
    for host in 127.0.0.1 localhost; do
        schema_sql -e "GRANT SELECT, INSERT, UPDATE, DELETE ON \`$db\`.* TO 'admin'@'$host'"
        schema_sql -e "REVOKE DROP ON \`$db\`.* FROM 'admin'@'$host'"
    done
}
