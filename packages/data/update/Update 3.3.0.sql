-- Database update 3.3.0 (demo sample): applied by the program on its next start.
ALTER TABLE Contacts ADD COLUMN Mobile TEXT;
