-- Who may sign in to the web client: the user's login and an Argon2id hash of the password
-- as libsodium writes it ("$argon2id$v=19$m=...,t=...,p=1$salt$hash"), which carries its own
-- salt and cost, so a hash made with a higher cost later still verifies beside older ones.
CREATE TABLE UserPassword (
    Login VARCHAR(60) PRIMARY KEY,
    PasswordHash VARCHAR(256) NOT NULL,
    ChangedAt TIMESTAMP NOT NULL DEFAULT now()
);
