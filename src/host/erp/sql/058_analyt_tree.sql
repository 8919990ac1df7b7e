-- Groups of analytic objects: the tree an analytic type's objects are gathered in (cash-flow
-- kinds under operating, investing and financing flows, say). A row places an object or a
-- group under its Parent (NULL: at the top). Objects of the type that no row places stand at
-- the top by themselves.
CREATE TABLE GLAnalytTree (
    AnalytTypeCode VARCHAR(10) NOT NULL REFERENCES GLAnalytType (Code),
    Code VARCHAR(30) NOT NULL,
    Name VARCHAR(100) NOT NULL DEFAULT '',
    Parent VARCHAR(30),
    PRIMARY KEY (AnalytTypeCode, Code)
);
