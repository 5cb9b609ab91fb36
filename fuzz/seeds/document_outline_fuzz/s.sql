-- CREATE TABLE commented (id int);
CREATE TABLE IF NOT EXISTS public.users (
  id serial PRIMARY KEY,
  note text DEFAULT 'a; b'
);
CREATE OR REPLACE FUNCTION add_one(x int) RETURNS int AS $$
BEGIN
  CREATE TABLE inside_body (x int);
  RETURN x + 1;
END;
$$ LANGUAGE plpgsql;
create unique index users_idx on users (id);
DELIMITER //
CREATE PROCEDURE p1()
BEGIN
  SELECT 1;
END //
DELIMITER ;
